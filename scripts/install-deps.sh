#!/bin/sh
# Installs on Debian (run as root) what building and running the programs
# needs, and with no option what the tests need besides:
#   scripts/install-deps.sh           the build and the tests (scripts/test.sh)
#   scripts/install-deps.sh --build   the build alone (scripts/run-example.sh)
# Installs nothing that is there already; reaches the network only then.
set -eu
# Building and running the three programs.
build_packages="cmake g++ make pkg-config libhts-dev libboost-math-dev libcli11-dev"
# The tests, the benchmarks, the R and Python packages; man and lintian for
# the checks of the manual pages and of the Debian package (dpkg-dev and
# file for its dependencies).
test_packages="man-db lintian dpkg-dev file tabix bcftools libgtest-dev libbenchmark-dev clang libclang-rt-dev libtinyxml2-dev r-base-dev r-cran-rcpp r-cran-testthat r-cran-adegenet r-cran-ade4 vcftools plink2 snakemake pybind11-dev python3-pybind11 python3-dev python3-pip python3-setuptools python3-wheel python3-numpy python3-pandas python3-pytest"
case "${1:-}" in
  --build) packages=$build_packages ;;
  "") packages="$build_packages $test_packages" ;;
  *) echo "usage: $0 [--build]" >&2; exit 2 ;;
esac
missing=""
for p in $packages; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # The build's libraries without what they recommend, which the build
  # does not use; the tests' tools as Debian means them.
  if [ "$packages" = "$build_packages" ]; then
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
  else
    # shellcheck disable=SC2086
    apt-get install -y -qq $missing >/dev/null
  fi
fi
