# merge_results() gives what homogeneity_test() gives for the whole data,
# from the command line's tables of its shards, and refuses shards that
# do not belong together.

test_that("the shards' tables give the whole run, pairs included", {
  skip_if(!nzchar(Sys.getenv("ORTELAN_BIN_DIR")), "ORTELAN_BIN_DIR (a CMake build directory) is not set")
  dir <- tempfile()
  dir.create(dir)
  on.exit(unlink(dir, recursive = TRUE))
  shard <- function(loci, name, seed = "3") {
    command_line("ortelan_3d", trout, seed, loci = loci, extra = c("--bootstrap", "30"),
                 keep = file.path(dir, paste0(name, c(".tsv", "-pairs.tsv"))))
  }
  shard(3:4, "b")
  shard(1:2, "a")
  files <- file.path(dir, c("b.tsv", "a.tsv", "b-pairs.tsv", "a-pairs.tsv"))
  x <- merge_results(files)
  whole <- run(trout, seed = 3, pairs = TRUE, bootstrap = 30)
  expect_identical(x$loci, whole$loci)
  expect_identical(x$total, whole$total)
  expect_identical(x$pairs, whole$pairs)
  expect_identical(x$settings$seed, "3")
  expect_identical(x$settings$merged, files)
  expect_identical(x$data$populations, whole$data$populations)
  expect_match(capture.output(print(x)), "^4 loci, 3 populations, merged from 4 tables$", all = FALSE)
  expect_match(capture.output(print(merge_results(files[1:2]))), "^4 loci, merged from 2 tables$", all = FALSE)

  shard(3:4, "c", seed = "4")
  expect_error(merge_results(file.path(dir, c("a.tsv", "c.tsv"))), "c.tsv was run with seed=4", class = "ortelan_data_error")
  expect_error(merge_results(file.path(dir, c("a.tsv", "a.tsv"))), "both hold locus 1", class = "ortelan_data_error")
  expect_error(merge_results(trout), "not a results, pairs, hierarchy or permutation table", class = "ortelan_data_error")
  expect_error(merge_results(character()), "`files` must name", class = "ortelan_argument_error")
  expect_error(merge_results(file.path(dir, "none.tsv")), "no such file", class = "ortelan_argument_error")
})
