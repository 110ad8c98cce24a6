#!/bin/sh
# The Windows cross-build installs as the Linux one does: into a temporary prefix, then an example
# is built against it with the pkg-config line and with find_package, and must link.
#   tests/install/install_win32_test.sh <source dir> <mingw build dir>
set -eu
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
# shellcheck disable=SC2046
i686-w64-mingw32-gcc "$src/examples/house.c" -o "$work/house.exe" \
    $(PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig pkg-config --cflags --libs tavix)
cmake -S "$src/tests/install/consumer" -B "$work/fp" -DTAVIX_VIA=find_package \
    -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" -DCMAKE_PREFIX_PATH="$prefix" \
    >"$work/log" 2>&1 &&
    cmake --build "$work/fp" >>"$work/log" 2>&1 || { cat "$work/log"; exit 1; }
for exe in "$work/house.exe" "$work/fp/picture.exe"; do
    [ "$(head -c 2 "$exe")" = MZ ] || { echo "FAIL: $exe is not a Windows program"; exit 1; }
done
echo "ok: the installed Windows library links (pkg-config, find_package)"
