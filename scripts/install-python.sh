#!/bin/sh
# Builds the Python package ortelan (python/) from the project's own C++
# core and installs it for Debian's interpreter, /usr/bin/python3, whatever
# other Python is on the PATH:
#
#   scripts/install-python.sh          # as root: for every user (/usr/local); else for you (~/.local)
#   scripts/install-python.sh DIR      # into DIR, for PYTHONPATH=DIR
#
# pip builds it from the repository with Debian's setuptools and pybind11,
# with no package index and no other package installed (--no-index
# --no-deps): pandas and NumPy are Debian's. Debian's pip guards the
# system's Python against packages of its own (PEP 668); the package goes
# to /usr/local or ~/.local, where Debian keeps none, and replaces nothing of
# Debian's, so the guard is lifted for it (--break-system-packages).
# Needs the packages of scripts/install-deps.sh. ORTELAN_BUILD_JOBS sets the
# compilers run at once (default: every core).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
python=/usr/bin/python3
case "${1:-}" in
  -*) echo "usage: $0 [DIR]" >&2; exit 2 ;;
esac
if [ $# -gt 1 ]; then
  echo "usage: $0 [DIR]" >&2
  exit 2
fi
if [ $# -eq 1 ]; then
  mkdir -p "$1"
  set -- --upgrade --target "$(cd "$1" && pwd)"
elif [ "$(id -u)" -eq 0 ]; then
  set -- --break-system-packages
else
  set -- --break-system-packages --user
fi
# pip builds in python/build: what an earlier build left there would be taken for this one's.
rm -rf "$root/python/build"
cd "$root/python"
"$python" -m pip install --no-index --no-deps --no-build-isolation --no-cache-dir --disable-pip-version-check \
  --root-user-action=ignore "$@" .
rm -rf "$root/python/build" "$root/python/ortelan.egg-info"
