#!/bin/sh
# Installs the built library into a temporary prefix and builds a user's C program against it
# four ways: pkg-config, find_package of the installed CMake package, add_subdirectory of the
# source tree, and add_subdirectory into a project with a target named platform of its own. Each program runs without a display, saves its picture, and the picture's pixels
# and the version it reports are checked.
#   tests/install/install_test.sh <source dir> <build dir>
set -eu
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
here=$src/tests/install

cmake --install "$build" --prefix "$prefix" >/dev/null
version=$(sed -n 's/^project(tavix VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
for f in include/tavix.h include/tavix_version.h include/platform/win32.h lib/libtavix.a \
         lib/pkgconfig/tavix.pc lib/cmake/tavix/tavixConfig.cmake; do
    [ -f "$prefix/$f" ] || { echo "FAIL: $f not installed"; exit 1; }
done

# One way: the pkg-config line the guide gives, nothing else.
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
[ "$(pkg-config --modversion tavix)" = "$version" ] || { echo "FAIL: tavix.pc version"; exit 1; }
mkdir "$work/pc"
# shellcheck disable=SC2046
cc "$here/picture.c" -o "$work/pc/picture" $(pkg-config --cflags --libs tavix)

# A program whose own names are Windows names (SIZE, POINT, WORD, RGB, RECT, and in C++ a scoped
# enum of colour names), started from WinMain with tavix.h alone, as C and as C++.
for lang in c c++; do
    # shellcheck disable=SC2046
    c++ -x "$lang" -Wall -Wextra -Werror "$here/own_names.c" -o "$work/own_$lang" \
        $(pkg-config --cflags --libs tavix)
done

# Three more: a CMake project that finds the installed package, one that adds the source tree, and
# one that adds it beside a target of its own named platform.
cmake_quiet() { cmake "$@" >"$work/cmake.log" 2>&1 || { cat "$work/cmake.log"; exit 1; }; }
cmake_quiet -S "$here/consumer" -B "$work/fp" -DTAVIX_VIA=find_package -DCMAKE_PREFIX_PATH="$prefix"
cmake_quiet --build "$work/fp"
cmake_quiet -S "$here/consumer" -B "$work/as" -DTAVIX_VIA=add_subdirectory -DTAVIX_SOURCE="$src"
cmake_quiet --build "$work/as" -j2
cmake_quiet -S "$here/consumer" -B "$work/pp" -DTAVIX_VIA=parent -DTAVIX_SOURCE="$src"
cmake_quiet --build "$work/pp" -j2

# Each runs with no display at all, saves its picture; library (x, y) is buffer pixel
# (297 + x, 248 - y).
pixel() { convert "$1" -format "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]" \
          -crop "1x1+$((297 + $2))+$((248 - $3))" info:; }
status=0
for way in pc fp as pp; do
    out=$(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY TAVIX_HEADLESS=1 "$work/$way/picture" "$work/$way.png") || {
        echo "FAIL: $way: the program failed"; status=1; continue; }
    [ "$out" = "$version" ] || { echo "FAIL: $way: version $out, not $version"; status=1; }
    bad=0
    for check in "-50 50 255,0,0" "150 -100 0,0,255" "200 200 255,255,255" "-250 -200 255,255,255"; do
        set -- $check
        got=$(pixel "$work/$way.png" "$1" "$2")
        [ "$got" = "$3" ] || { echo "FAIL: $way: pixel ($1, $2) is $got, not $3"; bad=1; }
    done
    [ $bad = 0 ] && echo "ok: $way" || status=1
done
for lang in c c++; do
    (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY TAVIX_HEADLESS=1 "$work/own_$lang" "$work/own_$lang.png") ||
        { echo "FAIL: own names ($lang): the program failed"; status=1; continue; }
    got=$(pixel "$work/own_$lang.png" -50 50)
    [ "$got" = "255,0,0" ] && echo "ok: own names ($lang)" ||
        { echo "FAIL: own names ($lang): pixel (-50, 50) is $got"; status=1; }
done

# tavix-grade as installed compiles a folder of sources against the installed library, found
# through its own tavix.pc (no PKG_CONFIG_PATH), and grades it the same as itself.
mkdir -p "$work/grade/class"
cp "$src/tests/grade/grade_program.c" "$work/grade/class/"
echo '#define GRADE_VARIANT 0' >"$work/grade/class/variant.h"
if (cd "$work/grade" && env -u PKG_CONFIG_PATH "$prefix/bin/tavix-grade" --build --no-sandbox \
        --format csv --reference class --script "$src/tests/grade/one.scr" class >grade.log 2>&1) &&
   grep -q '^class,.*,same,0,0,same$' "$work/grade/grading/summary.csv"; then
    echo "ok: tavix-grade --build"
else
    cat "$work/grade/grade.log" "$work/grade/grading/summary.csv" 2>/dev/null
    echo "FAIL: tavix-grade --build against the installed library"
    status=1
fi
exit $status
