#!/bin/sh
# Installs what is needed, builds, and runs the unit and end-to-end tests,
# then installs the R package into build-test/r-library and runs its tests
# against the programs of build-test. With --full it runs the whole suite
# under the address and undefined-behaviour sanitizers instead, then each
# fuzz target for a bounded time (ORTELAN_FUZZ_SECONDS, 60 by default), two
# at a time, and R CMD check on the R package, which runs the package's tests
# against the sanitized programs; continuous integration runs that.
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

if [ "$full" = false ]; then
  echo "== Tests"
  cmake -S "$root" -B "$root/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$root/build-test" -j"$jobs"
  ctest --test-dir "$root/build-test" --output-on-failure -j"$jobs"

  echo "== R package"
  MAKEFLAGS="-j$jobs" "$root/scripts/install-r.sh" --tarball-dir "$root/build-test/r" "$root/build-test/r-library" \
    >"$root/build-test/r-install.log" 2>&1 || {
    tail -n 60 "$root/build-test/r-install.log"
    exit 1
  }
  # The tests compare the package's results with the programs' of build-test.
  ORTELAN_BIN_DIR="$root/build-test" R_LIBS="$root/build-test/r-library" Rscript -e \
    'testthat::test_dir(commandArgs(TRUE)[1], package = "ortelan", load_package = "installed", reporter = "check")' \
    "$root/r/ortelan/tests/testthat"
  echo "== All tests passed (scripts/test.sh --full runs them under the sanitizers, then fuzzing and R CMD check)"
  exit 0
fi

echo "== Tests under the sanitizers"
# -O1 with line tables: the sanitizers' reports keep their function names and
# lines, and the build takes a third less time than at -O2.
cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
  -DORTELAN_SANITIZE=ON >/dev/null
cmake --build "$root/build-asan" -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"

echo "== Fuzzing, ${fuzz_seconds} s per target"
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORTELAN_FUZZ=ON -DORTELAN_TESTS=OFF >/dev/null
targets="genepop individual_store table_loader vcf"
# The targets alone: they need the core, not the front ends and programs.
cmake --build "$root/build-fuzz" -j"$jobs" --target $(for target in $targets; do printf '%s_fuzz ' "$target"; done)
# A crash, a leak, a sanitizer report or a unit slower than 10 s fails a
# target; the input that did it is left in build-fuzz/run/<target>.
fuzz() {
  work="$root/build-fuzz/run/$1"
  rm -rf "$work"
  mkdir -p "$work/corpus"
  cd "$work" && "$root/build-fuzz/fuzz/${1}_fuzz" -max_total_time="$fuzz_seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 corpus "$root/fuzz/corpus/$1" 2>fuzz.log
}
verdict() {
  work="$root/build-fuzz/run/$1"
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

echo "== R CMD check (with the package's tests against the sanitized programs)"
"$root/scripts/install-r.sh" --build-only --tarball-dir "$root/build-asan/r" >"$root/build-asan/r-build.log" 2>&1 || {
  cat "$root/build-asan/r-build.log"
  exit 1
}
# Without a network the check cannot read the time to judge file dates.
(cd "$root/build-asan/r" && ORTELAN_BIN_DIR="$root/build-asan" _R_CHECK_FUTURE_FILE_TIMESTAMPS_=false MAKEFLAGS="-j$jobs" \
  R CMD check --no-manual --no-build-vignettes ortelan_*.tar.gz >check.out 2>&1) || {
  tail -n 80 "$root/build-asan/r/check.out"
  exit 1
}
if grep -Eq '^Status: .*(ERROR|WARNING)' "$root/build-asan/r/ortelan.Rcheck/00check.log"; then
  cat "$root/build-asan/r/ortelan.Rcheck/00check.log"
  exit 1
fi
grep '^Status:' "$root/build-asan/r/ortelan.Rcheck/00check.log"
echo "== All tests passed"
