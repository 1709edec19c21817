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
if [ $# -gt 1 ] || [ "${1:-}" = "-h" ] || [ "${1:-}" = "--help" ]; then
  echo "usage: $0 [DIR]" >&2
  exit 2
fi
set -- --no-index --no-deps --no-build-isolation --no-cache-dir --disable-pip-version-check "$@"
if [ $# -gt 5 ]; then
  target=$6
  set -- "$1" "$2" "$3" "$4" "$5" --upgrade --target "$target"
  mkdir -p "$target"
elif [ "$(id -u)" -eq 0 ]; then
  set -- "$@" --break-system-packages --root-user-action=ignore
else
  set -- "$@" --break-system-packages --user
fi
# pip builds in python/build; a build of other sources there would be taken for this one's.
rm -rf "$root/python/build"
cd "$root/python"
"$python" -m pip install "$@" .
rm -rf "$root/python/build" "$root/python/ortelan.egg-info"
