# homogeneity_test(): checks the arguments, runs the core once and makes
# the data frames of its results.

homogeneity_test <- function(file, program = c("ortelan_3d", "ortelan_2d", "ortelan_c"),
                             dememorization = 10000, batches = 100, iterations = 5000,
                             seed = NULL, loci = NULL, threads = NULL, pairs = FALSE, report = NULL,
                             test = c("genic", "genic-g", "genotypic", "none"), popmap = NULL, region = NULL,
                             exact = c("auto", "never"), bootstrap = 0, windows = NULL, outliers = FALSE,
                             outliers_min_he = 0.1, sampler = c("independent", "chain"), hits = 100, samples = NULL,
                             groups = NULL, hierarchy = FALSE, permutations = 0) {
  call <- sys.call()
  if (missing(file)) argument_error("`file` is missing: give a GENEPOP file, a VCF or BCF file, or a genind object", call)
  program <- check_program(program, call)
  test <- check_test(test, call)
  exact <- check_exact(exact, call)
  sampler <- check_sampler(sampler, call)
  hits <- check_whole_number(hits, "hits", 1, 2^53, call)
  samples <- if (is.null(samples)) NULL else check_whole_number(samples, "samples", 1, 2^53, call)
  popmap_given <- popmap
  region_given <- region
  popmap <- check_popmap(popmap, call)
  region <- check_region(region, call)
  dememorization <- check_whole_number(dememorization, "dememorization", 0, 2147483647, call)
  batches <- check_whole_number(batches, "batches", 2, 2147483647, call)
  iterations <- check_whole_number(iterations, "iterations", 1, 2147483647, call)
  seed <- check_seed(seed, call)
  loci <- check_loci(loci, call)
  threads <- check_threads(threads, call)
  pairs <- check_flag(pairs, "pairs", call)
  bootstrap <- check_whole_number(bootstrap, "bootstrap", 0, 2147483647, call)
  if (bootstrap > 0 && test == "none") argument_error("`bootstrap` goes with an exact test, not with test = \"none\"", call)
  windows_given <- windows
  windows <- check_windows(windows, call)
  outliers <- check_flag(outliers, "outliers", call)
  if (!missing(outliers_min_he) && !outliers) argument_error("`outliers_min_he` goes with `outliers = TRUE`", call)
  outliers_min_he <- check_min_he(outliers_min_he, call)
  report_path <- check_report(report, call)
  groups_given <- groups
  groups <- check_groups(groups, call)
  hierarchy <- check_flag(hierarchy, "hierarchy", call)
  permutations <- check_whole_number(permutations, "permutations", 0, 2147483647, call)
  given <- NULL
  if (inherits(file, "genind")) {
    # The object's name stands for the file's in the program's messages and report.
    expr <- substitute(file)
    path <- if (is.name(expr) || is.call(expr)) substr(deparse1(expr), 1L, 80L) else "genind"
    if (!is.null(popmap) || !is.null(region)) argument_error("`popmap` and `region` go with a VCF or BCF file", call)
    if (!is.null(windows)) argument_error("`windows` goes with a VCF or BCF file", call)
    given <- genind_tables(file, paste(path, "(genind object)"), call, individuals = permutations > 0)
  } else {
    path <- check_file(file, call)
  }

  options <- list(dememorization = dememorization, batches = batches, iterations = iterations, seed = seed,
                  loci = loci, threads = threads, pairs = pairs, report = !is.null(report_path), test = test,
                  exact = exact, sampler = sampler, hits = hits, samples = samples,
                  bootstrap = bootstrap,
                  popmap = popmap, region = region, windows = windows, outliers = outliers,
                  outliers_min_he = outliers_min_he, groups = groups, hierarchy = hierarchy || !is.null(groups),
                  permutations = permutations, temporary_directory = tempdir(),
                  progress = isTRUE(getOption("ortelan.progress", interactive())))
  out <- .ortelan_run(program, path, given, options)
  for (line in strsplit(out$written, "\r?\n")[[1L]]) if (nzchar(trimws(line))) message(line)
  if (!is.null(out$fault)) {
    # A locus list beyond the data is the `loci` argument's fault.
    if (out$status == 2L) {
      message <- sub("^--loci:", "`loci`:", out$fault)
      message <- gsub("--popmap", "`popmap`", gsub("--region", "`region`", message, fixed = TRUE), fixed = TRUE)
      message <- gsub("--windows", "`windows`", message, fixed = TRUE)
      message <- gsub("--groups", "`groups`", gsub("--permutations", "`permutations`", message, fixed = TRUE), fixed = TRUE)
      argument_error(message, call)
    }
    stop(errorCondition(out$fault, class = "ortelan_data_error", call = call))
  }
  if (!is.null(report_path)) write_report(out$report, report_path, report, call)

  # The floor of He goes with the outlier test, so that do.call() of the settings runs again.
  x <- structure(list(
    loci = as.data.frame(out$loci),
    total = as.data.frame(out$total),
    pairs = if (pairs) as.data.frame(out$pairs) else NULL,
    windows = if (!is.null(windows)) as.data.frame(out$windows) else NULL,
    hierarchy = if (!is.null(out$hierarchy)) as.data.frame(out$hierarchy) else NULL,
    outlier_fit = out$outlier_fit,
    settings = list(file = if (is.null(given)) file else NA_character_, program = program, seed = out$seed,
                    dememorization = dememorization, batches = batches, iterations = iterations, loci = loci,
                    test = test, popmap = popmap_given, region = region_given, exact = exact,
                    sampler = sampler, hits = hits, samples = samples,
                    bootstrap = bootstrap, windows = windows_given, outliers = outliers, groups = groups_given,
                    hierarchy = hierarchy, permutations = permutations),
    data = list(title = out$title, individuals = out$individuals, populations = out$populations,
                loci = out$loci_in_data)
  ), class = "ortelan")
  if (outliers) x$settings$outliers_min_he <- outliers_min_he
  x
}

# The report as the program writes it (CR LF line ends), whole or not at all.
write_report <- function(text, path, report, call) {
  written <- tryCatch({
    writeBin(charToRaw(text), path)
    TRUE
  }, error = function(e) FALSE, warning = function(w) FALSE)
  if (!written) {
    unlink(path)
    argument_error(paste0("`report`: cannot write ", report), call)
  }
  invisible(path)
}
