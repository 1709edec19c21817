#!/bin/sh
# Cross-compiles the three programs for 64-bit Windows with Debian's
# MinGW-w64 toolchain (cmake/mingw-w64-x86_64.cmake), and puts them in
# ortelan-<version>-windows-x64.zip with README.txt (CR LF line ends) and
# the example trout.gen. The programs are linked statically: they run on a
# bare Windows. The build reads GENEPOP files only (no htslib for Windows).
#
#   scripts/build-windows.sh [BUILD_DIR]
#
# BUILD_DIR is build-windows by default; the zip is made there and its path
# printed last. ORTELAN_WINDOWS_RELEASE_FLAGS replaces the compiler's
# optimisation flags (-O3 -DNDEBUG): the tests' CI run builds at -O1, for
# time, and checks the programs' behaviour, not their speed. Installs what it needs first (scripts/install-windows-deps.sh,
# as root).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-windows}
"$root/scripts/install-windows-deps.sh"

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="${ORTELAN_WINDOWS_RELEASE_FLAGS:--O3 -DNDEBUG}" \
  -DORTELAN_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target ortelan_3d ortelan_2d ortelan_c

version=$(sed -n 's/^project(ortelan VERSION \([0-9][0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
name="ortelan-${version:?no version in CMakeLists.txt}-windows-x64"
package="$build/$name"
rm -rf "$package" "$build/$name.zip"
mkdir -p "$package"
for program in ortelan_3d ortelan_2d ortelan_c; do
  x86_64-w64-mingw32-strip -o "$package/$program.exe" "$build/$program.exe"
done
# Windows text files: CR LF at every line end.
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$root/packaging/windows/README.txt" >"$package/README.txt"
sed -e 's/\r$//' -e 's/$/\r/' "$root/examples/trout.gen" >"$package/trout.gen"
(cd "$build" && cmake -E tar cf "$name.zip" --format=zip "$name")
echo "$build/$name.zip"
