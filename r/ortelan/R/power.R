# power(): how likely each test is to detect populations that differ, with
# the samples and loci of a data file; checks the arguments, runs the core
# once and makes the data frame of its power table.

power <- function(file, program = c("ortelan_3d", "ortelan_2d", "ortelan_c"),
                  fst = c(0, 0.001, 0.0025, 0.005, 0.01, 0.02), ne = 1000, sizes = NULL, alpha = 0.05,
                  replicates = 1000, replicates_range = NULL, seed = NULL, threads = NULL,
                  test = c("genic", "genic-g", "genotypic", "none"), exact = c("auto", "never"),
                  sampler = c("independent", "chain"), hits = 100, samples = NULL, decision_error = 0.001,
                  dememorization = 10000, batches = 100, iterations = 5000, popmap = NULL, region = NULL,
                  loci = NULL, report = NULL) {
  call <- sys.call()
  if (missing(file)) argument_error("`file` is missing: give a GENEPOP file, or a VCF or BCF file with `popmap`", call)
  program <- check_program(program, call)
  test <- check_test(test, call)
  exact <- check_exact(exact, call)
  sampler <- check_sampler(sampler, call)
  path <- check_file(file, call)
  numbers <- function(value, name, fits, what) {
    if (!is.numeric(value) || length(value) == 0L || anyNA(value) || any(!is.finite(value)) || !all(fits(value))) {
      argument_error(sprintf("`%s` must be %s", name, what), call)
    }
    as.numeric(value)
  }
  fst <- numbers(fst, "fst", function(f) f >= 0 & f < 1, "F_ST targets from 0 up to (not including) 1")
  alpha <- sort(unique(numbers(alpha, "alpha", function(a) a > 0 & a < 1, "levels above 0 and below 1")))
  ne <- check_whole_number(ne, "ne", 1, 1e12, call)
  if (!is.null(sizes)) {
    sizes <- numbers(sizes, "sizes", function(n) n == trunc(n) & n >= 1 & n <= 1e6,
                     "NULL or whole numbers of individuals from 1 to 1,000,000: one, or one per population")
  }
  replicates <- check_whole_number(replicates, "replicates", 1, 1e9, call)
  if (!is.null(replicates_range)) {
    replicates_range <- numbers(replicates_range, "replicates_range",
                                function(r) r == trunc(r) & r >= 1 & r <= replicates,
                                "NULL or c(first, last), replicates from 1 to `replicates`")
    if (length(replicates_range) != 2L || replicates_range[2L] < replicates_range[1L]) {
      argument_error("`replicates_range` must be NULL or c(first, last), replicates from 1 to `replicates`", call)
    }
  }
  if (!is.numeric(decision_error) || length(decision_error) != 1L || is.na(decision_error) ||
      decision_error <= 0 || decision_error > 0.5) {
    argument_error("`decision_error` must be a number above 0, at most 0.5", call)
  }
  hits <- check_whole_number(hits, "hits", 1, 2^53, call)
  samples <- if (is.null(samples)) NULL else check_whole_number(samples, "samples", 1, 2^53, call)
  options <- list(fst = fst, alpha = alpha, ne = ne, sizes = sizes, replicates = replicates,
                  range = replicates_range, decision_error = as.numeric(decision_error),
                  seed = check_seed(seed, call), threads = check_threads(threads, call), loci = check_loci(loci, call),
                  test = test, exact = exact, sampler = sampler, hits = hits, samples = samples,
                  dememorization = check_whole_number(dememorization, "dememorization", 0, 2147483647, call),
                  batches = check_whole_number(batches, "batches", 2, 2147483647, call),
                  iterations = check_whole_number(iterations, "iterations", 1, 2147483647, call),
                  popmap = check_popmap(popmap, call), region = check_region(region, call),
                  report = !is.null(report), temporary_directory = tempdir(),
                  progress = isTRUE(getOption("ortelan.progress", interactive())))
  report_path <- check_report(report, call)
  out <- .ortelan_power(program, path, options)
  for (line in strsplit(out$written, "\r?\n")[[1L]]) if (nzchar(trimws(line))) message(line)
  if (!is.null(out$fault)) {
    if (out$status == 2L) {
      message <- sub("^--loci:", "`loci`:", out$fault)
      message <- gsub("--sizes", "`sizes`", gsub("--popmap", "`popmap`", message, fixed = TRUE), fixed = TRUE)
      argument_error(message, call)
    }
    stop(errorCondition(out$fault, class = "ortelan_data_error", call = call))
  }
  if (!is.null(report_path)) write_report(out$report, report_path, report, call)
  x <- as.data.frame(out$columns, stringsAsFactors = FALSE)
  attr(x, "seed") <- out$seed
  attr(x, "program") <- program
  x
}
