#!/bin/sh
# Installs what the build and the tests need on Debian (run as root).
set -eu
packages="cmake g++ make pkg-config libhts-dev tabix bcftools libboost-math-dev libgtest-dev libbenchmark-dev clang libclang-rt-dev libcli11-dev libtinyxml2-dev r-base-dev r-cran-rcpp r-cran-testthat r-cran-adegenet vcftools plink2 snakemake pybind11-dev python3-pybind11 python3-dev python3-pip python3-setuptools python3-wheel python3-numpy python3-pandas python3-pytest"
# For the tests: ade4, whose amova() the hierarchical analysis is checked against.
packages="$packages r-cran-ade4"
missing=""
for p in $packages; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq $missing >/dev/null
fi
