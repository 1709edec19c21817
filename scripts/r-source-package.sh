#!/bin/sh
# Builds the R package as a source tarball, ortelan_<version>.tar.gz, with
# the project's C++ core inside, into DIR (default: the working directory).
# On any machine with R, Rcpp, htslib and Boost.Math's headers it installs
# without this repository:  R CMD INSTALL ortelan_<version>.tar.gz
#
#   scripts/r-source-package.sh [DIR]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-.}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
"$root/scripts/install-r.sh" --build-only --tarball-dir "$dir" >/dev/null
version=$(sed -n 's/^Version: *//p' "$root/r/ortelan/DESCRIPTION")
echo "$dir/ortelan_$version.tar.gz"
