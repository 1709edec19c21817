test_that("Ctrl-C stops a run between loci, leaves nothing behind, and R goes on", {
  skip_on_os("windows")
  scratch <- tempfile()
  dir.create(scratch)
  on.exit(unlink(scratch, recursive = TRUE))
  # Trout's individuals typed at 400 loci, each walked 10^6 steps: a run of
  # several seconds, however fast tables are drawn.
  lines <- readLines(trout)
  individual <- grepl(",", lines)
  lines[individual] <- paste0(sub(",.*", ",", lines[individual]),
                              strrep(paste0(" ", sub("^[^,]*, (\\S+).*", "\\1", lines[individual])), 400))
  writeLines(c(lines[1], paste0("L", 1:400), lines[-(1:5)]), file.path(scratch, "many.gen"))
  writeLines(c(
    sprintf("setwd(%s)", deparse(scratch)),
    "library(ortelan)",
    "cat(Sys.getpid(), file = 'started')",
    "r <- tryCatch(homogeneity_test('many.gen', seed = 1, dememorization = 0, batches = 2, iterations = 5e5,",
    "                               threads = 2, exact = 'never', sampler = 'chain'),",
    "              interrupt = function(e) 'interrupted')",
    "left <- length(list.files(tempdir(), pattern = '^ortelan-'))",
    sprintf("after <- homogeneity_test(%s, seed = 1, dememorization = 10, batches = 2, iterations = 10)", deparse(trout)),
    "cat(identical(r, 'interrupted'), left, inherits(after, 'ortelan'), list.files(), file = 'done')"),
    file.path(scratch, "run.R"))
  system2(file.path(R.home("bin"), "Rscript"), c("--vanilla", shQuote(file.path(scratch, "run.R"))),
          wait = FALSE, stdout = FALSE, stderr = FALSE,
          env = paste0("R_LIBS=", shQuote(paste(.libPaths(), collapse = .Platform$path.sep))))
  wait_for <- function(name, seconds) {
    path <- file.path(scratch, name)
    for (i in seq_len(seconds * 10)) if (file.exists(path) && file.size(path) > 0) break else Sys.sleep(0.1)
    if (file.exists(path)) readLines(path, warn = FALSE) else NA_character_
  }
  pid <- as.integer(wait_for("started", 30))
  expect_false(is.na(pid))
  Sys.sleep(1)
  tools::pskill(pid, tools::SIGINT)
  on.exit(tools::pskill(pid, tools::SIGKILL), add = TRUE, after = FALSE)
  expect_identical(wait_for("done", 60), "TRUE 0 TRUE done many.gen run.R started")
})
