# merge_results(): the tables of the shards of one scan, put together as
# one run over all the data would have made them, as homogeneity_test()
# returns a run.

merge_results <- function(files) {
  call <- sys.call()
  if (missing(files) || !is.character(files) || length(files) == 0L || anyNA(files) || !all(nzchar(files))) {
    argument_error("`files` must name the results, pairs, hierarchy and permutation tables of the shards", call)
  }
  paths <- path.expand(files)
  missing_files <- files[!file.exists(paths) | dir.exists(paths)]
  if (length(missing_files) > 0L) argument_error(paste0("`files`: no such file: ", missing_files[1L]), call)
  # The program that wrote the tables reads them back, in its own reals.
  first <- readLines(paths[1L], n = 1L, warn = FALSE)
  program <- if (length(first) == 1L) sub("^# (\\S+) .*$", "\\1", first) else ""
  if (!(program %in% programs)) program <- programs[1L]
  out <- .ortelan_merge(program, paths, tempdir())
  for (line in strsplit(out$written, "\r?\n")[[1L]]) if (nzchar(trimws(line))) message(line)
  if (!is.null(out$fault)) stop(errorCondition(out$fault, class = "ortelan_data_error", call = call))
  s <- out$settings
  structure(list(
    loci = if (out$has_results) as.data.frame(out$loci) else NULL,
    total = if (out$has_results) as.data.frame(out$total) else NULL,
    pairs = if (!is.null(out$pairs)) as.data.frame(out$pairs) else NULL,
    windows = if (!is.null(out$windows)) as.data.frame(out$windows) else NULL,
    hierarchy = if (!is.null(out$hierarchy)) as.data.frame(out$hierarchy) else NULL,
    outlier_fit = out$outlier_fit,
    settings = list(file = s$file, program = program, seed = s$seed, dememorization = s$dememorization,
                    batches = s$batches, iterations = s$iterations, loci = NULL, test = s$test,
                    popmap = if (nzchar(s$popmap)) s$popmap else NULL, region = NULL, exact = s$exact,
                    sampler = s$sampler, hits = s$hits, samples = if (identical(s$samples, "auto")) NULL else s$samples,
                    bootstrap = s$bootstrap,
                    windows = if (nzchar(s$windows)) as.numeric(strsplit(s$windows, ":", fixed = TRUE)[[1L]]),
                    outliers = nzchar(s$outliers_min_he),
                    outliers_min_he = if (nzchar(s$outliers_min_he)) as.numeric(s$outliers_min_he),
                    groups = if (nzchar(s$groups)) s$groups else NULL, permutations = s$permutations,
                    merged = files),
    data = list(title = "", individuals = NA_integer_, populations = out$populations,
                loci = if (out$has_results) nrow(as.data.frame(out$loci)) else 0L)
  ), class = "ortelan")
}
