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
# Names of its own, with tavix.h alone; and <windows.h> included before and after tavix.h. As C
# and as C++, warnings as errors.
cflags=$(PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig pkg-config --cflags --libs tavix)
for lang in c c++; do
    for program in own_names windows_names windows_names_first; do
        file=${program%_first}
        define=; [ "$program" = windows_names_first ] && define=-DTAVIX_FIRST
        # shellcheck disable=SC2086
        i686-w64-mingw32-g++ -x "$lang" -Wall -Wextra -Werror $define "$src/tests/install/$file.c" \
            -o "$work/$program-$lang.exe" $cflags ||
            { echo "FAIL: $program.c as $lang does not build for Windows"; exit 1; }
    done
done
cmake -S "$src/tests/install/consumer" -B "$work/fp" -DTAVIX_VIA=find_package \
    -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" -DCMAKE_PREFIX_PATH="$prefix" \
    >"$work/log" 2>&1 &&
    cmake --build "$work/fp" >>"$work/log" 2>&1 || { cat "$work/log"; exit 1; }
for exe in "$work/house.exe" "$work/fp/picture.exe"; do
    [ "$(head -c 2 "$exe")" = MZ ] || { echo "FAIL: $exe is not a Windows program"; exit 1; }
done
echo "ok: the installed Windows library links (pkg-config, find_package)"
