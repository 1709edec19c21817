# The checks of homogeneity_test()'s arguments. Each failure is an error of
# class "ortelan_argument_error" whose message begins with the argument's
# name; `call` is the user's call, shown with the message.

argument_error <- function(message, call) {
  stop(errorCondition(message, class = "ortelan_argument_error", call = call))
}

is_whole_number <- function(value, lowest, highest) {
  is.numeric(value) && length(value) == 1L && !is.na(value) && is.finite(value) &&
    value == trunc(value) && value >= lowest && value <= highest
}

check_whole_number <- function(value, name, lowest, highest, call) {
  if (!is_whole_number(value, lowest, highest)) {
    argument_error(sprintf("`%s` must be a whole number from %s to %s", name,
                           format(lowest, big.mark = ","), format(highest, big.mark = ",")), call)
  }
  if (highest > .Machine$integer.max) as.numeric(value) else as.integer(value)
}

programs <- c("ortelan_3d", "ortelan_2d", "ortelan_c")

check_program <- function(program, call) {
  if (identical(program, programs)) return(programs[1L])
  if (!is.character(program) || length(program) != 1L || !(program %in% programs)) {
    argument_error(paste0("`program` must be one of ", paste0('"', programs, '"', collapse = ", ")), call)
  }
  program
}

tests <- c("genic", "genic-g", "genotypic", "none")

check_test <- function(test, call) {
  if (identical(test, tests)) return(tests[1L])
  if (!is.character(test) || length(test) != 1L || !(test %in% tests)) {
    argument_error(paste0("`test` must be one of ", paste0('"', tests, '"', collapse = ", ")), call)
  }
  test
}

exact_modes <- c("auto", "never")

check_exact <- function(exact, call) {
  if (identical(exact, exact_modes)) return(exact_modes[1L])
  if (!is.character(exact) || length(exact) != 1L || !(exact %in% exact_modes)) {
    argument_error('`exact` must be "auto" or "never"', call)
  }
  exact
}

samplers <- c("independent", "chain")

check_sampler <- function(sampler, call) {
  if (identical(sampler, samplers)) return(samplers[1L])
  if (!is.character(sampler) || length(sampler) != 1L || !(sampler %in% samplers)) {
    argument_error('`sampler` must be "independent" or "chain"', call)
  }
  sampler
}

# The population map of a VCF or BCF file: a file name, or a data frame
# whose first two columns are the samples and their populations.
check_popmap <- function(popmap, call) {
  if (is.null(popmap)) return(NULL)
  if (is.data.frame(popmap)) {
    if (ncol(popmap) < 2L) argument_error("`popmap` must have two columns: sample and population", call)
    samples <- as.character(popmap[[1L]])
    populations <- as.character(popmap[[2L]])
    if (anyNA(samples) || anyNA(populations)) argument_error("`popmap` has a missing sample or population", call)
    return(list(samples, populations))
  }
  if (!is.character(popmap) || length(popmap) != 1L || is.na(popmap) || !nzchar(popmap)) {
    argument_error("`popmap` must be NULL, a file name, or a data frame of samples and populations", call)
  }
  path <- path.expand(popmap)
  if (!file.exists(path) || dir.exists(path)) argument_error(paste0("`popmap`: no such file: ", popmap), call)
  path
}

# Regions of an indexed VCF or BCF file, as one comma-separated list.
check_region <- function(region, call) {
  if (is.null(region)) return(NULL)
  if (!is.character(region) || length(region) == 0L || anyNA(region) || !all(nzchar(region))) {
    argument_error("`region` must be NULL or regions such as \"chr2\" or \"chr2:1000000-2000000\"", call)
  }
  paste(region, collapse = ",")
}

# A data file name, with "~" expanded; the core reads it from R's working
# directory.
check_file <- function(file, call) {
  if (!is.character(file) || length(file) != 1L || is.na(file) || !nzchar(file)) {
    argument_error("`file` must be the name of a GENEPOP, VCF or BCF file, or a genind object", call)
  }
  path <- path.expand(file)
  if (!file.exists(path) || dir.exists(path)) argument_error(paste0("`file`: no such file: ", file), call)
  path
}

max_seed <- "18446744073709551615"

# The seed as a string of digits: a double holds every whole number only up
# to 2^53, larger seeds are given as strings.
check_seed <- function(seed, call) {
  if (is.null(seed)) return(NULL)
  wrong <- function() {
    argument_error(paste0("`seed` must be a whole number from 0 to 2^53 (9007199254740992), ",
                          "or a string of digits from \"0\" to \"", max_seed, "\""), call)
  }
  if (is.numeric(seed)) {
    if (!is_whole_number(seed, 0, 2^53)) wrong()
    return(sprintf("%.0f", seed))
  }
  if (!is.character(seed) || length(seed) != 1L || is.na(seed) || !grepl("^[0-9]+$", seed)) wrong()
  digits <- sub("^0+(?=[0-9])", "", seed, perl = TRUE)
  if (nchar(digits) > nchar(max_seed) || (nchar(digits) == nchar(max_seed) && digits > max_seed)) wrong()
  digits
}

check_loci <- function(loci, call) {
  if (is.null(loci)) return(NULL)
  if (!is.numeric(loci) || length(loci) == 0L || anyNA(loci) || any(!is.finite(loci)) ||
      any(loci != trunc(loci)) || any(loci < 1) || any(loci > .Machine$integer.max)) {
    argument_error("`loci` must be NULL or locus numbers in file order: whole numbers from 1", call)
  }
  as.integer(loci)
}

check_threads <- function(threads, call) {
  if (is.null(threads)) return(0L)  # every core the process may use
  check_whole_number(threads, "threads", 1, 4096, call)
}

check_flag <- function(value, name, call) {
  if (!is.logical(value) || length(value) != 1L || is.na(value)) {
    argument_error(sprintf("`%s` must be TRUE or FALSE", name), call)
  }
  value
}

# The report's file name; its directory must exist before a long run starts.
check_report <- function(report, call) {
  if (is.null(report)) return(NULL)
  if (!is.character(report) || length(report) != 1L || is.na(report) || !nzchar(report)) {
    argument_error("`report` must be NULL or a file name", call)
  }
  path <- path.expand(report)
  if (dir.exists(path)) argument_error(paste0("`report` is a directory: ", report), call)
  if (!dir.exists(dirname(path))) argument_error(paste0("`report`: no such directory: ", dirname(report)), call)
  if (file.access(dirname(path), 2L) != 0L) argument_error(paste0("`report`: cannot write in ", dirname(report)), call)
  path
}

# Windows along the genome: their size and step in base pairs, whole
# numbers from 1 to 10^15 with the step at most the size (one number: the
# step is the size).
check_windows <- function(windows, call) {
  if (is.null(windows)) return(NULL)
  wrong <- function() {
    argument_error("`windows` must be NULL or c(size, step) in base pairs: whole numbers from 1 to 1e15, step at most size", call)
  }
  if (!is.numeric(windows) || !(length(windows) %in% 1:2) || anyNA(windows) || any(!is.finite(windows)) ||
      any(windows != trunc(windows)) || any(windows < 1) || any(windows > 1e15)) wrong()
  if (length(windows) == 1L) windows <- c(windows, windows)
  if (windows[2L] > windows[1L]) wrong()
  as.numeric(windows)
}

check_min_he <- function(value, call) {
  if (!is.numeric(value) || length(value) != 1L || is.na(value) || value < 0 || value > 1) {
    argument_error("`outliers_min_he` must be a number from 0 to 1", call)
  }
  as.numeric(value)
}

# The populations' groups: a file name (population and group per line), a
# data frame whose first two columns are the populations (numbers in file
# order, or labels) and their groups, or a character vector of groups named
# by population.
check_groups <- function(groups, call) {
  if (is.null(groups)) return(NULL)
  if (is.data.frame(groups)) {
    if (ncol(groups) < 2L) argument_error("`groups` must have two columns: population and group", call)
    populations <- as.character(groups[[1L]])
    names <- as.character(groups[[2L]])
  } else if (is.character(groups) && !is.null(names(groups))) {
    populations <- names(groups)
    names <- unname(groups)
  } else if (is.character(groups) && length(groups) == 1L && !is.na(groups) && nzchar(groups)) {
    path <- path.expand(groups)
    if (!file.exists(path) || dir.exists(path)) argument_error(paste0("`groups`: no such file: ", groups), call)
    return(path)
  } else {
    argument_error("`groups` must be NULL, a file name, a data frame of populations and groups, or groups named by population", call)
  }
  if (anyNA(populations) || anyNA(names)) argument_error("`groups` has a missing population or group", call)
  list(populations, names)
}
