#!/bin/sh
# The downloads of `make dist`, each used as a learner would use it, with the guide's first program
# (hello.c):
#   the Debian package, unpacked with dpkg -x: its Depends against what the pkg-config file and the
#     programs need, lintian, hello built against it and run headless (the reference picture);
#   the Windows kit, unpacked into an empty folder: the DLLs' export and import tables, hello
#     built with each mingw line of README.txt (32 and 64 bit, static and DLL) and with lld-link
#     against tavix.lib; the 64-bit programs run under Wine and their pictures compared with the
#     reference, outside the text (Windows draws text with its own fonts);
#   the browser kit: tavix-web makes hello's page, compared in Chromium with the Linux program;
#   the source: configures and builds the cone on its own.
#   tests/dist/dist_test.sh <source dir> <dist dir> <Linux build dir> <64-bit Windows build dir>
# The Wine prefix is the Windows stage's (<64-bit Windows build dir>/wineprefix).
set -eu
src=$(cd "$1" && pwd)
dist=$(cd "$2" && pwd)
build=$(cd "$3" && pwd)
win64=$(cd "$4" && pwd)
work=$(mktemp -d)
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    WINEPREFIX=$win64/wineprefix /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Says ok for a part only when it failed nowhere since the last.
seen=0
ok() { [ "$failures" = "$seen" ] && echo "ok: $*"; seen=$failures; }
started=$(date +%s)

version=$(sed -n 's/^project(tavix VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
arch=$(dpkg --print-architecture)
deb=libtavix-dev_${version}_$arch.deb
kit=tavix-$version-windows
web=tavix-$version-web
source=tavix-$version

# ---- The downloads and their checksums ----
for f in "$kit.zip" "$web.tar.gz" "$deb" "$source.tar.gz"; do
    [ -s "$dist/$f" ] || { echo "FAIL: no $f in $dist"; exit 1; }
done
listed=$(awk '{print $2}' "$dist/SHA256SUMS" | sort | tr '\n' ' ')
expected=$(printf '%s\n' "$kit.zip" "$web.tar.gz" "$deb" "$source.tar.gz" | sort | tr '\n' ' ')
[ "$listed" = "$expected" ] || fail "SHA256SUMS lists $listed, not $expected"
(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the files"

# ---- The Debian package ----
root=$work/deb
dpkg -x "$dist/$deb" "$root"
depends=$(dpkg-deb -f "$dist/$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
# Whether Depends names one of the packages given.
has_depend() {
    for p in "$@"; do printf '%s\n' "$depends" | grep -qx "$p" && return 0; done
    return 1
}
# The packages that own a file, by its real name wherever /usr is merged (without :arch).
owners() {
    dpkg -S "*/$(basename "$(readlink -f "$1")")" 2>/dev/null | sed 's/: .*//' | tr ',' '\n' |
        sed 's/^ *//; s/:.*//' | sort -u | tr '\n' ' '
}
for f in usr/include/tavix.h usr/bin/tavix-run usr/bin/tavix-grade \
         usr/share/doc/libtavix-dev/guide.md usr/share/doc/libtavix-dev/copyright; do
    [ -f "$root/$f" ] || fail "the package holds no /$f"
done
pc=$(find "$root/usr/lib" -name tavix.pc | head -n 1)
[ -n "$pc" ] || { echo "FAIL: the package holds no tavix.pc"; exit 1; }
# The -dev package of every module the pkg-config file requires.
for module in $(sed -n 's/^Requires: *//p' "$pc" | tr ',' ' '); do
    file=$(pkg-config --variable=pcfiledir "$module")/$module.pc
    owner=$(owners "$file")
    [ -n "$owner" ] || { fail "no package owns $file"; continue; }
    has_depend $owner || fail "Depends lacks $owner (pkg-config's $module)"
done
# The package of every library the package's programs load.
for program in "$root"/usr/bin/*; do
    head -c 4 "$program" | grep -q ELF || continue
    for library in $(objdump -p "$program" | awk '/NEEDED/ {print $2}'); do
        path=$(ldconfig -p | awk -v l="$library" '$1 == l && /x86-64|AArch64|64bit/ {print $NF; exit}')
        [ -n "$path" ] || path=$(ldconfig -p | awk -v l="$library" '$1 == l {print $NF; exit}')
        owner=$(owners "$path")
        [ -n "$owner" ] || { fail "no package owns $library ($path)"; continue; }
        has_depend $owner || fail "Depends lacks $owner ($(basename "$program") loads $library)"
    done
done
lintian --fail-on error "$dist/$deb" >"$work/lintian.txt" 2>&1 ||
    { cat "$work/lintian.txt"; fail "lintian reports errors"; }
if grep '^E:' "$work/lintian.txt"; then fail "lintian reports errors"; fi
# hello built against the unpacked package alone, run headless: the reference picture.
hello=$work/hello
mkdir "$hello"
sed -n '/^Save this as `hello.c`:/,/^```$/{/^```c$/,/^```$/p}' "$src/docs/guide.md" | sed '1d;$d' \
    >"$hello/hello.c"
# shellcheck disable=SC2046
cc "$hello/hello.c" -o "$hello/hello" $(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --cflags --libs tavix) ||
    fail "hello.c does not build against the unpacked package"
: >"$hello/empty.scr"
(cd "$hello" && TAVIX_HEADLESS=1 TAVIX_REPLAY=empty.scr TAVIX_SNAPSHOT=linux.png ./hello) ||
    fail "hello built against the package does not run"
pixel() { convert "$1" -format "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]" \
          -crop "1x1+$((297 + $2))+$((248 - $3))" info:; }
[ "$(pixel "$hello/linux.png" 0 0)" = "255,0,0" ] || fail "hello's picture has no red disc"
ok "the Debian package ($(du -k "$dist/$deb" | cut -f1) KB): Depends, lintian, hello built against it"

# ---- The Windows kit ----
mkdir "$work/win"
(cd "$work/win" && unzip -q "$dist/$kit.zip")
k=$work/win/$kit
[ "$(ls "$work/win")" = "$kit" ] || fail "the kit unpacks into more than $kit/"
for f in README.txt LICENSE.txt examples/hello.c examples/house.c; do
    [ -f "$k/$f" ] || fail "the kit holds no $f"
done
# The functions tavix.h declares: the DLL's whole export list.
header=$(sed -n 's/^[A-Za-z_][A-Za-z0-9_ ]*[ *]\(TAVIX_[A-Za-z0-9_]*\)(.*/\1/p' "$src/library/tavix.h" | sort -u)
[ "$(printf '%s\n' "$header" | wc -l)" -gt 30 ] || fail "too few functions found in tavix.h"
for triple in i686-w64-mingw32 x86_64-w64-mingw32; do
    for f in include/tavix.h lib/libtavix.a lib/libtavix.dll.a lib/tavix.lib lib/tavix.def \
             bin/tavix.dll lib/pkgconfig/tavix.pc lib/cmake/tavix/tavixConfig.cmake; do
        [ -f "$k/$triple/$f" ] || fail "the kit holds no $triple/$f"
    done
    dll=$k/$triple/bin/tavix.dll
    exports=$($triple-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        sed -n '2,$s/^.*\] //p' | sort)
    [ "$exports" = "$header" ] || fail "$triple tavix.dll exports other than tavix.h's functions:
$(printf '%s\n' "$header" >"$work/h"; printf '%s\n' "$exports" | diff "$work/h" - || true)"
    # Windows' own DLLs only: no compiler runtime for the learner to match.
    imports=$($triple-objdump -p "$dll" | sed -n 's/^.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
    for name in $imports; do
        case $name in
        kernel32.dll | user32.dll | gdi32.dll | msimg32.dll | msvcrt.dll | ole32.dll | winmm.dll | \
        windowscodecs.dll | advapi32.dll | shell32.dll | comdlg32.dll | oleaut32.dll) ;;
        *) fail "$triple tavix.dll needs $name" ;;
        esac
    done
done
# Every mingw line of README.txt, as a learner types it in examples/ (gcc: the cross compiler).
grep '^ *gcc ' "$k/README.txt" | tr -d '\r' >"$work/lines"
[ "$(wc -l <"$work/lines")" -eq 4 ] || fail "README.txt has $(wc -l <"$work/lines") gcc lines, not 4"
while read -r line; do
    case $line in *i686-w64-mingw32*) triple=i686-w64-mingw32 ;; *) triple=x86_64-w64-mingw32 ;; esac
    case $line in *-static*) how=static ;; *) how=dll ;; esac
    exe=hello-$triple-$how.exe
    command=$(printf '%s\n' "$line" | sed "s/^ *gcc /$triple-gcc /; s/-o hello\.exe/-o $exe/")
    (cd "$k/examples" && eval "$command") || { fail "README's line does not build: $line"; continue; }
    uses_dll=$($triple-objdump -p "$k/examples/$exe" | grep -ci 'DLL Name: tavix.dll' || true)
    if [ "$how" = static ] && [ "$uses_dll" != 0 ]; then fail "$exe (static) needs tavix.dll"; fi
    if [ "$how" = dll ] && [ "$uses_dll" = 0 ]; then fail "$exe does not use tavix.dll"; fi
    if $triple-objdump -p "$k/examples/$exe" | grep -qiE 'DLL Name: (libgcc|libstdc|libwinpthread)'; then
        fail "$exe needs the compiler's runtime DLLs"
    fi
done <"$work/lines"
# Microsoft's linker with tavix.lib: hello compiled by clang for the MSVC ABI (tavix.h needs no
# Microsoft header) and linked by lld-link with no C runtime, main as its entry.
for triple in i686-w64-mingw32 x86_64-w64-mingw32; do
    case $triple in i686*) target=i686-pc-windows-msvc ;; *) target=x86_64-pc-windows-msvc ;; esac
    exe=hello-$triple-msvc.exe
    (cd "$k/examples" && clang --target=$target -O2 -c hello.c -I"../$triple/include" -o "$work/$triple.obj" &&
        lld-link -nologo -entry:main -subsystem:console -nodefaultlib "$work/$triple.obj" \
            "../$triple/lib/tavix.lib" -out:"$exe" >"$work/lld.log" 2>&1) ||
        { cat "$work/lld.log" 2>/dev/null; fail "hello does not link against $triple tavix.lib"; }
done
# The 64-bit programs under Wine, with tavix.dll beside those that use it; each saves its picture.
cp "$k/x86_64-w64-mingw32/bin/tavix.dll" "$k/examples/"
: >"$k/examples/empty.scr"
Xvfb -displayfd 3 -screen 0 1280x1024x24 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" WINEPREFIX="$win64/wineprefix" WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# The text's box, a little larger than either font's "Hello!" at 24 pixels, which lies above
# library (-60, 120): buffer pixels (232, 96) to (340, 132).
mask() { convert "$1" -fill white -draw "rectangle 232,96 340,132" "$2"; }
mask "$hello/linux.png" "$work/linux-masked.png"
for how in static dll msvc; do
    exe=hello-x86_64-w64-mingw32-$how.exe
    [ -f "$k/examples/$exe" ] || continue
    rm -f "$k/examples/$how.png"
    (cd "$k/examples" && TAVIX_REPLAY=empty.scr TAVIX_SNAPSHOT=$how.png \
        timeout 120 /usr/lib/wine/wine64 "./$exe" >"$work/wine.log" 2>&1) ||
        { cat "$work/wine.log"; fail "$exe does not run under Wine"; continue; }
    [ -f "$k/examples/$how.png" ] || { fail "$exe saved no picture"; continue; }
    mask "$k/examples/$how.png" "$work/$how-masked.png"
    differ=$(compare -metric AE "$work/linux-masked.png" "$work/$how-masked.png" null: 2>&1 || true)
    [ "$differ" = 0 ] || fail "$exe: $differ pixels outside the text differ from the Linux picture"
    # The text is there, in blue.
    blue=$(convert "$k/examples/$how.png" -crop 109x37+232+96 -fx "b>0.5 && r<0.5 ? 1 : 0" \
        -format "%[fx:mean*w*h]" info:)
    [ "${blue%.*}" -gt 20 ] || fail "$exe: no blue text in its picture"
done
ok "the Windows kit ($(du -k "$dist/$kit.zip" | cut -f1) KB): exports, README's lines, tavix.lib, pictures under Wine"

# ---- The browser kit ----
mkdir "$work/web"
tar -C "$work/web" -xzf "$dist/$web.tar.gz"
w=$work/web/$web
for f in bin/tavix-web lib/libtavix.a include/tavix.h share/tavix/web/library_web.js \
         share/tavix/web/fonts/DejaVuSans.ttf lib/cmake/tavix/page.html.in README.txt; do
    [ -e "$w/$f" ] || fail "the browser kit holds no $f"
done
# Bad command lines fail with a word, before any compiling.
for args in "" "--release" "hello.txt" "missing.c" "$w/hello.c --bogus" "$w/hello.c -o"; do
    # shellcheck disable=SC2086
    if (cd "$work" && "$w/bin/tavix-web" $args >"$work/tw.log" 2>&1); then
        fail "tavix-web $args succeeds"
    elif ! grep -q '^tavix-web: ' "$work/tw.log"; then
        fail "tavix-web $args fails without a word: $(cat "$work/tw.log")"
    fi
done
t0=$(date +%s)
(cd "$work" && "$w/bin/tavix-web" "$w/hello.c" -o page/) >"$work/tw.log" 2>&1 ||
    { cat "$work/tw.log"; fail "tavix-web hello.c does not make a page"; }
t1=$(date +%s)
for f in hello.html index.html hello.js hello.wasm fonts/DejaVuSans.ttf fonts/LiberationSans-Regular.ttf; do
    [ -s "$work/page/$f" ] || fail "tavix-web wrote no $f"
done
node "$src/tests/dist/web_kit_test.mjs" "$work/page" hello "$hello/hello" "$work/web-out" ||
    fail "hello's page differs from the Linux program"
ok "the browser kit ($(du -k "$dist/$web.tar.gz" | cut -f1) KB): tavix-web hello.c in $((t1 - t0)) s, the page's pixels"

# ---- The source ----
mkdir "$work/src"
tar -C "$work/src" -xzf "$dist/$source.tar.gz"
s=$work/src/$source
[ -f "$s/CMakeLists.txt" ] && [ ! -e "$s/build" ] || fail "the source tarball is not the bare tree"
# What `make run` does, short of opening the window.
if (cd "$s" && make -s configure BUILD=build >"$work/src.log" 2>&1 &&
    cmake --build build -j"${JOBS:-2}" --target tavix_cone >>"$work/src.log" 2>&1) && [ -x "$s/build/cone" ]; then
    ok "the source ($(du -k "$dist/$source.tar.gz" | cut -f1) KB) builds the cone on its own"
else
    tail -n 30 "$work/src.log"
    fail "the source tarball does not build the cone"
fi

echo "dist tests: $(($(date +%s) - started)) s"
[ "$failures" = 0 ] || { echo "$failures failed"; exit 1; }
