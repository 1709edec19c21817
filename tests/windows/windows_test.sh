#!/bin/sh
# The Windows programs as users get them, run under Wine with no display:
# the zip scripts/build-windows.sh made holds what it should, its programs
# run the example and refuse VCF files in one line, and the end-to-end
# tests of the dialogue (screens, Ortelan.out, the table data gone at the
# end, exit statuses, byte for byte) and the comparison of scripted runs
# with the Linux programs pass against them.
#
#   tests/windows/windows_test.sh [--slow] BUILD_WINDOWS LINUX_BUILD
#
# BUILD_WINDOWS: where scripts/build-windows.sh built the programs and the
# zip; LINUX_BUILD: a Linux build with the tests (its ortelan_app_tests, and
# its programs to compare with). --slow adds the dialogue's run of 10,000
# loci (a minute under Wine). Wine's prefix is made in BUILD_WINDOWS/wine.
set -eu
slow=false
if [ "${1:-}" = "--slow" ]; then
  slow=true
  shift
fi
windows=$(cd "${1:?usage: $0 [--slow] BUILD_WINDOWS LINUX_BUILD}" && pwd)
linux=$(cd "${2:?usage: $0 [--slow] BUILD_WINDOWS LINUX_BUILD}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)

export WINEDEBUG=-all WINEPREFIX="$windows/wine" WINEDLLOVERRIDES="winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
wine=$(command -v wine)
work=$(mktemp -d)
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "windows_test: $*" >&2
  exit 1
}

# One Wine server and its services for the whole run, started apart from
# the tests: a service started by a test's first program would hold that
# test's output pipes open until it ends. The prefix is made on first use.
mkdir -p "$WINEPREFIX"
wineserver -p
"$wine" cmd /c exit </dev/null >/dev/null 2>&1

# The zip: the three programs, README.txt and the example, in one folder.
zip=$(ls "$windows"/ortelan-*-windows-x64.zip)
name=$(basename "$zip" .zip)
(cd "$work" && cmake -E tar xf "$zip")
listing=$(cd "$work" && find "$name" -type f | LC_ALL=C sort | tr '\n' ' ')
[ "$listing" = "$name/README.txt $name/ortelan_2d.exe $name/ortelan_3d.exe $name/ortelan_c.exe $name/trout.gen " ] ||
  fail "the zip holds $listing"
for text in README.txt trout.gen; do
  # As many CR LF as line feeds, and a line feed last.
  file="$work/$name/$text"
  if [ "$(grep -c "$(printf '\r')\$" "$file")" -ne "$(wc -l <"$file")" ] ||
    [ "$(tail -c 1 "$file" | od -An -c | tr -d ' ')" != '\n' ]; then
    fail "$text has a line that does not end in CR LF"
  fi
done
if grep -q '@VERSION@' "$work/$name/README.txt"; then fail "README.txt has no version"; fi
# Linked statically: no DLL but the system's.
for program in ortelan_3d ortelan_2d ortelan_c; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$work/$name/$program.exe" | sed -n 's/^\tDLL Name: //p' | LC_ALL=C sort | tr '\n' ' ')
  for dll in $dlls; do
    case "$dll" in
      KERNEL32.dll | msvcrt.dll | USER32.dll | ADVAPI32.dll | SHELL32.dll) ;;
      *) fail "$program.exe needs $dll" ;;
    esac
  done
done

# The zip's programs on its example, as a user runs them.
cd "$work/$name"
printf 'trout.gen\n\n' | "$wine" ./ortelan_3d.exe >screen.txt || fail "ortelan_3d.exe ended with status $?"
grep -q "^ Str15  " Ortelan.out || fail "ortelan_3d.exe wrote no report of the example"
cp "$root/examples/pops.txt" "$root/examples/calls.vcf.gz" .
status=0
"$wine" ./ortelan_2d.exe -q --popmap pops.txt calls.vcf.gz 2>err.txt || status=$?
[ "$status" -eq 2 ] || fail "ortelan_2d.exe on a VCF file ended with status $status"
grep -q "calls.vcf.gz: this build reads GENEPOP files only" err.txt || fail "ortelan_2d.exe on a VCF file: $(cat err.txt)"
cd "$root"

# The end-to-end tests against the programs of the Windows build.
filter="Programs.*:BadInput.*:Failures.*:Mended.*:Statistics.*:ExactP.NeverGives*:CrossBuild.*"
if [ "$slow" = false ]; then
  filter="$filter:-Failures.TenThousandLociRunToTheirReport"
fi
ORTELAN_TEST_PROGRAMS="$windows" ORTELAN_TEST_LAUNCHER="$wine" \
  "$linux/tests/ortelan_app_tests" --gtest_filter="$filter" --gtest_brief=1
