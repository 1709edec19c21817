#!/bin/sh
# Installs what building the programs needs (and nothing the tests need),
# builds the three programs in build-release/, and runs ortelan_3d on the
# bundled example with the default chain settings, then prints the report.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
started=$(date +%s)
say() { echo "== $1 ($(($(date +%s) - started)) s)"; }
say "Installing what the build needs, where it is missing"
"$root/scripts/install-deps.sh" --build
say "Building ortelan_3d, ortelan_2d and ortelan_c in build-release/"
cmake -S "$root" -B "$root/build-release" -DCMAKE_BUILD_TYPE=Release -DORTELAN_TESTS=OFF >/dev/null
cmake --build "$root/build-release" -j"$(nproc)" --target ortelan_3d ortelan_2d ortelan_c >/dev/null
say "Running ortelan_3d on examples/trout.gen"
work=$(mktemp -d)
cp "$root/examples/trout.gen" "$work/"
cd "$work"
# The file name, then Return for the default settings.
printf 'trout.gen\n\n' | "$root/build-release/ortelan_3d" >/dev/null
cat Ortelan.out
rm -rf "$work"
say "Done"
