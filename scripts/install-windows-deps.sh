#!/bin/sh
# Installs what the Windows build needs on Debian (run as root): the
# MinGW-w64 cross compiler with POSIX threads, and the headers of Boost.Math
# and CLI11 (header-only, taken from the build machine). With --wine, also
# Wine, which runs the Windows programs in the tests. Installs nothing that
# is there already.
#
#   scripts/install-windows-deps.sh [--wine]
set -eu
packages="cmake make g++-mingw-w64-x86-64-posix libboost-math-dev libcli11-dev"
case "${1:-}" in
  --wine) packages="$packages wine wine64" ;;
  "") ;;
  *) echo "usage: $0 [--wine]" >&2; exit 2 ;;
esac
missing=""
for p in $packages; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # Without the recommended packages: Wine's would add fonts, sound and
  # 32-bit support that headless runs of 64-bit programs do not use.
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
