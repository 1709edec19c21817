library(testthat)
library(ortelan)

test_check("ortelan")
