#!/bin/sh
# Builds the R package r/ortelan from the project's own C++ core and
# installs it, into LIBRARY when given, else R's default library.
#
#   scripts/install-r.sh [--copy-only | --build-only] [--tarball-dir DIR] [LIBRARY]
#
# R compiles only what lies inside a package, so the core's sources are
# copied into r/ortelan/src/core (not committed), with one core_*.cpp per
# source beside the package's own files. --copy-only stops there (for
# devtools::load_all); --tarball-dir keeps the built source package in DIR
# (for R CMD check); --build-only stops once it is built, without installing.
# Needs the packages of scripts/install-deps.sh.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
package="$root/r/ortelan"
copy_only=false
build_only=false
tarball_dir=""
library=""
while [ $# -gt 0 ]; do
  case "$1" in
    --copy-only) copy_only=true ;;
    --build-only) build_only=true ;;
    --tarball-dir) tarball_dir=${2:?--tarball-dir needs a directory}; shift ;;
    -*) echo "usage: $0 [--copy-only | --build-only] [--tarball-dir DIR] [LIBRARY]" >&2; exit 2 ;;
    *) library=$1 ;;
  esac
  shift
done

# The core library's sources as CMake lists them (the SVG plots are a
# library of their own), less what the package does not use (the terminal
# console, R having its own; the dialogue's readers), and the scripted run's
# analysis and the power analysis with what they use.
core_sources=$(sed -n '/^add_library(ortelan_core /,/^)/p' "$root/CMakeLists.txt" |
  grep -o 'src/[A-Za-z0-9_/]*\.cpp' |
  grep -Ev '^src/(run/terminal_console|input/genepop/(one_pass_reader|read_data_file))\.cpp$')
core_sources="$core_sources src/app/analysis.cpp src/app/loci_list.cpp src/app/progress_meter.cpp src/app/merge/shard_table.cpp
  src/app/merge/merge_tables.cpp src/app/merge/merge_permutations.cpp src/app/power_analysis.cpp"

rm -rf "$package/src/core" "$package"/src/core_*.cpp
mkdir -p "$package/src/core" "$package/inst/extdata"
(cd "$root/src" && find . -name '*.h' | tar -cf - -T -) | (cd "$package/src/core" && tar -xf -)
for source in $core_sources; do
  relative=${source#src/}
  mkdir -p "$package/src/core/$(dirname "$relative")"
  cp "$root/$source" "$package/src/core/$relative"
  wrapper="$package/src/core_$(echo "$relative" | tr '/' '_')"
  printf '// Copied by scripts/install-r.sh: compiles the core'"'"'s %s.\n#include "%s"\n' "$source" "$relative" >"$wrapper"
done
cp "$root/examples/trout.gen" "$package/inst/extdata/trout.gen"
[ "$copy_only" = true ] && exit 0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -z "$tarball_dir" ]; then tarball_dir="$work"; fi
mkdir -p "$tarball_dir"
tarball_dir=$(cd "$tarball_dir" && pwd)
version=$(sed -n 's/^Version: *//p' "$package/DESCRIPTION")
(cd "$tarball_dir" && rm -f "ortelan_$version.tar.gz" && R CMD build --no-build-vignettes --no-manual "$package" >"$work/build.log" 2>&1) || {
  cat "$work/build.log" >&2
  exit 1
}
[ "$build_only" = true ] && exit 0
export MAKEFLAGS="${MAKEFLAGS:--j$(nproc)}"
if [ -n "$library" ]; then
  mkdir -p "$library"
  R CMD INSTALL -l "$library" "$tarball_dir/ortelan_$version.tar.gz"
else
  R CMD INSTALL "$tarball_dir/ortelan_$version.tar.gz"
fi
