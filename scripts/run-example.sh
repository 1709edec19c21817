#!/bin/sh
# Builds the programs and runs ortelan_3d on the bundled example with the
# default chain settings, then prints the report.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build-release" -DCMAKE_BUILD_TYPE=Release -DORTELAN_TESTS=OFF >/dev/null
cmake --build "$root/build-release" -j"$(nproc)" --target ortelan_3d ortelan_2d ortelan_c >/dev/null
work=$(mktemp -d)
cp "$root/examples/trout.gen" "$work/"
cd "$work"
# The file name, then Return for the default settings.
printf 'trout.gen\n\n' | "$root/build-release/ortelan_3d" >/dev/null
cat Ortelan.out
rm -rf "$work"
