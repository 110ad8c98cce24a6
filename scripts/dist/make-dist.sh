#!/bin/sh
# Writes the downloads into dist/, each named with the project's version, and SHA256SUMS:
#   tavix-VERSION-windows.zip   32- and 64-bit mingw builds: static library, tavix.dll with its
#                               import libraries (libtavix.dll.a, tavix.lib), headers, pkg-config
#                               and CMake files, the examples and README.txt
#   tavix-VERSION-web.tar.gz    the browser library, its page files, the fonts and tavix-web
#   libtavix-dev_VERSION_ARCH.deb   the Linux library, headers, tavix-run, tavix-grade, the guide
#   tavix-VERSION.tar.gz        the source
# From the build folders `make dist` configures (the Linux build, build-win32 and build-win64
# with TAVIX_DLL=ON, build-web); only the targets the downloads hold are built here.
#   scripts/dist/make-dist.sh [OUT]     (OUT: dist/)
# BUILD, WIN32_BUILD, WIN64_BUILD, WEB_BUILD name other build folders.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
HERE=$ROOT/scripts/dist
OUT=$(mkdir -p "${1:-$ROOT/dist}" && cd "${1:-$ROOT/dist}" && pwd)
BUILD=$ROOT/${BUILD:-build}
WIN32_BUILD=$ROOT/${WIN32_BUILD:-build-win32}
WIN64_BUILD=$ROOT/${WIN64_BUILD:-build-win64}
WEB_BUILD=$ROOT/${WEB_BUILD:-build-web}
JOBS=${JOBS:-2}

VERSION=$(sed -n 's/^project(tavix VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
[ -n "$VERSION" ] || { echo "make-dist: no version in CMakeLists.txt" >&2; exit 1; }
say() { echo "make-dist: $*"; }
need_dir() { [ -f "$1/CMakeCache.txt" ] || { echo "make-dist: $1 is not configured (make dist does it)" >&2; exit 1; }; }

STAGE=$(mktemp -d)
trap 'rm -rf "$STAGE"' EXIT
rm -f "$OUT"/tavix-*.zip "$OUT"/tavix-*.tar.gz "$OUT"/libtavix-dev_*.deb "$OUT/SHA256SUMS"

# ---- The Windows kit ----
KIT=tavix-$VERSION-windows
for arch in i686 x86_64; do
    case $arch in i686) dir=$WIN32_BUILD ;; *) dir=$WIN64_BUILD ;; esac
    need_dir "$dir"
    grep -q '^TAVIX_DLL:BOOL=ON' "$dir/CMakeCache.txt" ||
        { echo "make-dist: $dir was configured without -DTAVIX_DLL=ON" >&2; exit 1; }
    say "building the $arch Windows library"
    cmake --build "$dir" -j"$JOBS" --target tavix tavix_dll tavix_msvc_import
    cmake --install "$dir" --prefix "$STAGE/$KIT/$arch-w64-mingw32" >/dev/null
    # The licence is LICENSE.txt at the top.
    rm -rf "$STAGE/$KIT/$arch-w64-mingw32/share"
done
mkdir -p "$STAGE/$KIT/examples"
cp "$ROOT"/examples/*.c "$ROOT"/examples/sprite.png "$STAGE/$KIT/examples/"
# The guide's first program, as the README builds it.
sed -n '/^Save this as `hello.c`:/,/^```$/{/^```c$/,/^```$/p}' "$ROOT/docs/guide.md" | sed '1d;$d' \
    >"$STAGE/$KIT/examples/hello.c"
[ -s "$STAGE/$KIT/examples/hello.c" ] || { echo "make-dist: no first program in docs/guide.md" >&2; exit 1; }
cp "$ROOT/LICENSE" "$STAGE/$KIT/LICENSE.txt"
sed "s/@VERSION@/$VERSION/g" "$HERE/README-windows.txt" >"$STAGE/$KIT/README.txt"
# Text files with Windows line ends, for Notepad.
for f in "$STAGE/$KIT/README.txt" "$STAGE/$KIT/LICENSE.txt" "$STAGE/$KIT"/examples/*.c; do
    sed -i 's/\r*$/\r/' "$f"
done
(cd "$STAGE" && find "$KIT" -type f | LC_ALL=C sort | zip -X -q -@ "$OUT/$KIT.zip")
say "$KIT.zip"

# ---- The browser kit ----
WEB=tavix-$VERSION-web
need_dir "$WEB_BUILD"
say "building the browser library"
cmake --build "$WEB_BUILD" -j"$JOBS" --target tavix tavix_platform tavix_main
cmake --install "$WEB_BUILD" --prefix "$STAGE/$WEB" >/dev/null
[ -x "$STAGE/$WEB/bin/tavix-web" ] || { echo "make-dist: the browser build installs no tavix-web" >&2; exit 1; }
cp "$STAGE/$KIT/examples/hello.c" "$STAGE/$WEB/hello.c"
sed -i 's/\r$//' "$STAGE/$WEB/hello.c"
sed "s/@VERSION@/$VERSION/g" "$HERE/README-web.txt" >"$STAGE/$WEB/README.txt"
tar -C "$STAGE" --sort=name --owner=0 --group=0 --numeric-owner --mtime=@"$(cd "$ROOT" && git log -1 --format=%ct 2>/dev/null || date +%s)" \
    -czf "$OUT/$WEB.tar.gz" "$WEB"
say "$WEB.tar.gz"

# ---- The Debian package ----
need_dir "$BUILD"
say "building the Linux library and tools"
cmake --build "$BUILD" -j"$JOBS" --target tavix tavix_platform tavix_main tavix_grade
# cpack with the build's own settings packs what is installed into a staging root here (on its
# own it would first build every target of the build, the tests too).
cmake --install "$BUILD" --prefix "$STAGE/debroot/usr" >/dev/null
cat >"$STAGE/deb.cmake" <<EOF
include("$BUILD/CPackConfig.cmake")
set(CPACK_INSTALL_CMAKE_PROJECTS "")
set(CPACK_INSTALLED_DIRECTORIES "$STAGE/debroot;.")
EOF
(cd "$STAGE" && cpack --config "$STAGE/deb.cmake" -G DEB -B "$STAGE/deb" >"$STAGE/cpack.log" 2>&1) ||
    { cat "$STAGE/cpack.log" >&2; exit 1; }
cp "$STAGE"/deb/libtavix-dev_*.deb "$OUT/"
say "$(cd "$OUT" && ls libtavix-dev_*.deb)"

# ---- The source ----
# What is committed, with the working tree's changes to tracked files.
SRC=tavix-$VERSION
tree=$(cd "$ROOT" && git stash create)
(cd "$ROOT" && git archive --format=tar.gz --prefix="$SRC/" -o "$OUT/$SRC.tar.gz" "${tree:-HEAD}")
say "$SRC.tar.gz"

(cd "$OUT" && sha256sum -- *.zip *.tar.gz *.deb >SHA256SUMS)
(cd "$OUT" && ls -l -- *.zip *.tar.gz *.deb SHA256SUMS)
