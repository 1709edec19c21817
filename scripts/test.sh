#!/bin/sh
# Installs what is needed, builds, and runs the quick tests: the unit and
# end-to-end tests but those labelled slow (peak memory, genome-scale files,
# long chains), then the R package's tests, but its long cases, against the
# programs of build-test; the package is installed into build-test/r-library
# again only when what it is built from has changed. With --full it builds
# the programs as a user does (Release), then runs the whole suite under the
# address and undefined-behaviour sanitizers instead (a compiler warning
# fails either build), then each fuzz target for a bounded time
# (ORTELAN_FUZZ_SECONDS, 60 by default), two at a time, with the Windows
# programs cross-compiled, zipped and tested under Wine beside them
# (tests/windows/windows_test.sh), and R CMD check
# on the R package, which runs all the package's tests against the sanitized
# programs; continuous integration runs that. Each stage tells its time.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
full=false
case "${1:-}" in
  --full) full=true ;;
  "") ;;
  *) echo "usage: $0 [--full]" >&2; exit 2 ;;
esac
"$root/scripts/install-deps.sh"
jobs=$(nproc)
fuzz_seconds=${ORTELAN_FUZZ_SECONDS:-60}

started=$(date +%s)
stage_name=""
stage_started=0
stage() {
  stage_name=$1
  stage_started=$(date +%s)
  echo "== $1"
}
# The stage's time, with a note when given.
stage_done() {
  echo "== $stage_name: $(($(date +%s) - stage_started)) s${1:+ ($1)}"
}

# The quick run builds the R package at -O1 without debug information: half
# the compiling of R's own flags, the same results (its tests compare them
# with the programs' to the last digit). R CMD check builds it so too: what
# it checks is the package, its tests and its manual, not R's flags.
r_make_variables="CXX20FLAGS=-O1"
# A digest of what the R package is built from: its own files, the core's
# sources and the list of them, the example it ships, the script that puts
# them together, the R and Rcpp it is built with, and how.
r_package_digest() {
  (
    cd "$root"
    find src CMakeLists.txt examples/trout.gen scripts/install-r.sh -type f
    find r/ortelan \( -path r/ortelan/src/core -o -name '*.Rcheck' \) -prune -o -type f \
      ! -name 'core_*.cpp' ! -name '*.o' ! -name '*.so' ! -name '*.dll' ! -name Makevars ! -name '*.tar.gz' \
      ! -path r/ortelan/inst/extdata/trout.gen -print
  ) | LC_ALL=C sort | (cd "$root" && xargs sha256sum)
  R --version | head -n 1
  Rscript -e 'cat("Rcpp", format(packageVersion("Rcpp")), "\n")'
  echo "$r_make_variables"
}

# The Python package is built at -O1 without debug information too, for the
# same reason: its tests compare its results with the programs' exactly.
python_cxxflags="-O1 -g0"
# A digest of what the Python package is built from: its own sources, the
# core's and the list of them, the script that installs it, the interpreter
# and pybind11 it is built with.
python_package_digest() {
  (
    cd "$root"
    find src CMakeLists.txt scripts/install-python.sh -type f
    find python \( -path python/tests -o -path python/build -o -name '*.egg-info' -o -name __pycache__ \) -prune -o \
      -type f -print
  ) | LC_ALL=C sort | (cd "$root" && xargs sha256sum)
  /usr/bin/python3 -c 'import sys, pybind11; print(sys.version, "pybind11", pybind11.__version__)'
  echo "$python_cxxflags"
}

# Installs the Python package into $1 unless what it is built from is
# unchanged since it was last installed there; compilers through ccache
# where it is set up.
install_python_package() {
  stage "Python package"
  stamp="$1.digest"
  python_package_digest >"$stamp.new"
  if [ -f "$1/ortelan/__init__.py" ] && cmp -s "$stamp" "$stamp.new"; then
    rm -f "$stamp.new"
    stage_done "unchanged, not reinstalled"
    return
  fi
  rm -f "$stamp"
  (
    if [ -d /usr/lib/ccache ]; then PATH=/usr/lib/ccache:$PATH; fi
    ORTELAN_BUILD_JOBS=$jobs ORTELAN_CXXFLAGS="$python_cxxflags" "$root/scripts/install-python.sh" "$1"
  ) >"$1.log" 2>&1 || {
    tail -n 60 "$1.log"
    exit 1
  }
  mv "$stamp.new" "$stamp"
  stage_done "installed"
}

# The Python package's tests, against the programs of the build $1 (all of
# them, the long ones too, with $2 set).
python_tests() {
  stage "Python tests"
  (cd "$root" && env ORTELAN_BIN_DIR="$root/$1" ${2:+ORTELAN_LONG_TESTS=1} PYTHONPATH="$root/$1/python-library" \
    PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -m pytest -q -p no:cacheprovider python/tests)
  stage_done
}

if [ "$full" = false ]; then
  stage "Build"
  cmake -S "$root" -B "$root/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$root/build-test" -j"$jobs"
  stage_done

  stage "Tests"
  ctest --test-dir "$root/build-test" --output-on-failure -j"$jobs" -LE slow
  stage_done "without the $(ctest --test-dir "$root/build-test" -N -L slow | sed -n 's/^Total Tests: //p') slow ones"

  stage "R package"
  library="$root/build-test/r-library"
  stamp="$root/build-test/r-library.digest"
  r_package_digest >"$stamp.new"
  if [ -f "$library/ortelan/DESCRIPTION" ] && cmp -s "$stamp" "$stamp.new"; then
    rm -f "$stamp.new"
    stage_done "unchanged, not reinstalled"
  else
    # What changed since the last install, to tell.
    changed=$(diff "$stamp" "$stamp.new" 2>/dev/null | sed -n 's/^> [0-9a-f]*  //p' | head -n 3 | tr '\n' ' ' || true)
    rm -f "$stamp"
    MAKEFLAGS="-j$jobs $r_make_variables" "$root/scripts/install-r.sh" --tarball-dir "$root/build-test/r" "$library" \
      >"$root/build-test/r-install.log" 2>&1 || {
      tail -n 60 "$root/build-test/r-install.log"
      exit 1
    }
    mv "$stamp.new" "$stamp"
    stage_done "installed${changed:+; changed: ${changed% }}"
  fi

  stage "R tests"
  # The tests compare the package's results with the programs' of build-test.
  ORTELAN_BIN_DIR="$root/build-test" R_LIBS="$library" Rscript -e \
    'testthat::test_dir(commandArgs(TRUE)[1], package = "ortelan", load_package = "installed", reporter = "check")' \
    "$root/r/ortelan/tests/testthat"
  stage_done

  install_python_package "$root/build-test/python-library"
  python_tests build-test
  echo "== All tests passed in $(($(date +%s) - started)) s (scripts/test.sh --full adds the slow ones, under the sanitizers, then fuzzing and R CMD check)"
  exit 0
fi

# The Windows stage's packages (the MinGW-w64 cross compiler, Wine) download
# and unpack while the Linux programs build.
mkdir -p "$root/build-windows"
"$root/scripts/install-windows-deps.sh" --wine >"$root/build-windows/install.log" 2>&1 &
windows_deps=$!

stage "Release build of the programs (a compiler warning fails it)"
# What a user builds (scripts/run-example.sh): the core, the front ends and
# the programs, at -O3 without the tests, where g++ warns of other things
# than at -O1 under the sanitizers.
cmake -S "$root" -B "$root/build-release-werror" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS="-Werror" \
  -DORTELAN_TESTS=OFF >/dev/null
cmake --build "$root/build-release-werror" -j"$jobs" --target ortelan_3d ortelan_2d ortelan_c
stage_done

stage "Debian package of the Release build: lintian, installed, run, removed"
# The package is made of the programs just built (nothing is compiled
# again); lintian fails it on an error and shows its warnings. Installed
# with apt-get as a user installs it, it must run the example from
# /usr/bin and show its manual pages; then it is removed again. apt-get
# waits for another's lock rather than failing on it.
(
  cd "$root/build-release-werror"
  rm -f ortelan_*.deb
  cpack -G DEB >cpack.log 2>&1 || { cat cpack.log; exit 1; }
)
deb=$(ls "$root"/build-release-werror/ortelan_*_amd64.deb)
lintian --fail-on error "$deb"
apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -y -qq "$@" >/dev/null; }
apt_get install "$deb"
package_work=$(mktemp -d)
(
  cd "$package_work"
  cp /usr/share/doc/ortelan/examples/trout.gen /usr/share/doc/ortelan/examples/pops.txt \
    /usr/share/doc/ortelan/examples/calls.vcf.gz .
  printf 'trout.gen\n\n' | /usr/bin/ortelan_3d >/dev/null
  grep -q '^ TOTAL ' Ortelan.out
  /usr/bin/ortelan_2d -q -s 1 --popmap pops.txt -o /dev/null -t calls.tsv calls.vcf.gz
  [ "$(grep -c '^[0-9]' calls.tsv)" -eq 320 ]
  # dpkg leaves out what /etc/dpkg/dpkg.cfg.d/ excludes: the pages must be there.
  man ortelan_c | grep -q 'ortelan_c merge'
  man -w ortelan_3d ortelan_2d >/dev/null
) || { echo "the installed package failed its run (above)"; apt_get remove ortelan; exit 1; }
rm -rf "$package_work"
apt_get remove ortelan
[ ! -e /usr/bin/ortelan_3d ]
stage_done "$(basename "$deb"), $(du -k "$deb" | cut -f1) kB"

stage "Build under the sanitizers, with the fuzz targets"
# clang, whose libFuzzer the fuzz targets need: one build serves the tests
# and the fuzzing, the code instrumented for both (the fuzzer's coverage
# costs the tests little). -O1 with line tables: the sanitizers' reports
# keep their function names and lines. -Werror: a new compiler warning
# fails the run (g++'s are the Release build's).
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_CXX_FLAGS="-Werror" -DORTELAN_FUZZ=ON >/dev/null
cmake --build "$root/build-asan" -j"$jobs"
stage_done

stage "Tests under the sanitizers"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"
stage_done "with the slow ones"

# The Windows programs cross-compiled with MinGW-w64 and zipped as users get
# them (scripts/build-windows.sh), then run under Wine: the zip's contents,
# the dialogue's end-to-end tests, and scripted runs against the sanitized
# Linux programs (tests/windows/windows_test.sh). Built at -O1, for time:
# what is checked is how they behave. Beside the fuzzing, which runs for its
# fixed time whatever else runs (beside the tests, both took longer than one
# after the other).
if ! wait "$windows_deps"; then
  cat "$root/build-windows/install.log"
  exit 1
fi
windows_started=$(date +%s)
(
  ORTELAN_WINDOWS_RELEASE_FLAGS="-O1 -DNDEBUG" "$root/scripts/build-windows.sh" "$root/build-windows" &&
    "$root/tests/windows/windows_test.sh" "$root/build-windows" "$root/build-asan"
) >"$root/build-windows/stage.log" 2>&1 &
windows_stage=$!

stage "Fuzzing, ${fuzz_seconds} s per target"
targets="genepop individual_store table_loader vcf merge"
# The targets are build-asan's. A crash, a leak, a sanitizer report or a
# unit slower than 10 s fails a target; the input that did it is left in
# build-asan/fuzz-run/<target>.
fuzz() {
  work="$root/build-asan/fuzz-run/$1"
  rm -rf "$work"
  mkdir -p "$work/corpus"
  cd "$work" && "$root/build-asan/fuzz/${1}_fuzz" -max_total_time="$fuzz_seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 corpus "$root/fuzz/corpus/$1" 2>fuzz.log
}
verdict() {
  work="$root/build-asan/fuzz-run/$1"
  echo "-- $1"
  if [ "$2" -ne 0 ]; then
    tail -n 60 "$work/fuzz.log"
    echo "fuzz target $1 failed; its input is in $work"
    exit 1
  fi
  grep -E '^(stat::number_of_executed_units|Done )' "$work/fuzz.log" || true
}
# Two targets at a time, a core each.
set -- $targets
while [ $# -gt 0 ]; do
  first=$1
  second=${2:-}
  shift
  if [ $# -gt 0 ]; then
    shift
  fi
  (fuzz "$first") &
  first_pid=$!
  second_status=0
  if [ -n "$second" ]; then
    (fuzz "$second") || second_status=$?
  fi
  first_status=0
  wait "$first_pid" || first_status=$?
  verdict "$first" "$first_status"
  if [ -n "$second" ]; then
    verdict "$second" "$second_status"
  fi
done
stage_done

stage "Windows programs under Wine"
if ! wait "$windows_stage"; then
  tail -n 80 "$root/build-windows/stage.log"
  exit 1
fi
tail -n 1 "$root/build-windows/stage.log"
stage_done "$(($(date +%s) - windows_started)) s beside the fuzzing"

stage "R CMD check (with all the package's tests against the sanitized programs)"
"$root/scripts/install-r.sh" --build-only --tarball-dir "$root/build-asan/r" >"$root/build-asan/r-build.log" 2>&1 || {
  cat "$root/build-asan/r-build.log"
  exit 1
}
# Without a network the check cannot read the time to judge file dates.
(cd "$root/build-asan/r" && ORTELAN_BIN_DIR="$root/build-asan" ORTELAN_LONG_TESTS=true \
  _R_CHECK_FUTURE_FILE_TIMESTAMPS_=false MAKEFLAGS="-j$jobs $r_make_variables" \
  R CMD check --no-manual --no-build-vignettes ortelan_*.tar.gz >check.out 2>&1) || {
  tail -n 80 "$root/build-asan/r/check.out"
  exit 1
}
if grep -Eq '^Status: .*(ERROR|WARNING)' "$root/build-asan/r/ortelan.Rcheck/00check.log"; then
  cat "$root/build-asan/r/ortelan.Rcheck/00check.log"
  exit 1
fi
grep '^Status:' "$root/build-asan/r/ortelan.Rcheck/00check.log"
stage_done

install_python_package "$root/build-asan/python-library"
python_tests build-asan long
echo "== All tests passed in $(($(date +%s) - started)) s"
