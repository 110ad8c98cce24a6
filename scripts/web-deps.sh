#!/bin/sh
# Builds the third-party libraries of the browser build with emscripten: FreeType, libpng and zlib,
# from Debian's own source packages of the versions installed on this machine (so the browser
# build draws and saves what the Linux build does), into build-web-deps/prefix:
#   include/ft2build.h include/freetype2/  lib/libfreetype.a  lib/pkgconfig/freetype2.pc
#   include/png.h include/libpng16/        lib/libpng16.a lib/libpng.a  lib/pkgconfig/libpng*.pc
#   include/zlib.h include/zconf.h         lib/libz.a  lib/pkgconfig/zlib.pc
# The sources come through apt-get source with a source list and state folder of the script's own
# (build-web-deps/apt); the system's apt configuration is never changed. Every step leaves a stamp
# naming what it was made from; a run with everything up to date does nothing.
# Set TAVIX_WEB_DEPS_DIR to build somewhere else than build-web-deps/.
set -e

ROOT=$(cd "$(dirname "$0")/.." && pwd)
HERE=$ROOT/scripts/web-deps
OUT=${TAVIX_WEB_DEPS_DIR:-$ROOT/build-web-deps}
PREFIX=$OUT/prefix
APT=$OUT/apt
SRC=$OUT/src
BUILD=$OUT/build
STAMPS=$PREFIX/.stamps
# Debian's emscripten runs its JavaScript optimiser with node modules from here.
NODE_PATH=/usr/share/nodejs
export NODE_PATH

say() { echo "web-deps: $*"; }
fail() { echo "web-deps: $*" >&2; exit 1; }

# The source package and version a binary package was built from, as dpkg knows it.
source_of() {
    dpkg-query -W -f='${source:Package} ${source:Version}' "$1" 2>/dev/null ||
        fail "$1 is not installed; run scripts/install-deps.sh first"
}

sha() { sha256sum "$@" | cut -c1-16; }

EMSCRIPTEN=$(dpkg-query -W -f='${Version}' emscripten 2>/dev/null || true)
FREETYPE=$(source_of libfreetype6)
LIBPNG=$(source_of libpng16-16)
ZLIB=$(source_of zlib1g)
# What each library is made from: its source, the compiler, this script and its patch.
RECIPE="emscripten $EMSCRIPTEN; $(sha "$0" "$HERE/freetype-wasm-dda.patch" | tr '\n' ' ')"

up_to_date() { [ -f "$STAMPS/$1" ] && [ "$(cat "$STAMPS/$1")" = "$2; $RECIPE" ]; }
stamp() { mkdir -p "$STAMPS" && echo "$2; $RECIPE" >"$STAMPS/$1"; }

if [ -n "$EMSCRIPTEN" ] && up_to_date zlib "$ZLIB" && up_to_date libpng "$LIBPNG" &&
    up_to_date freetype "$FREETYPE"; then
    say "up to date in $PREFIX"
    exit 0
fi

if ! command -v emcc >/dev/null 2>&1; then
    if [ "$(id -u)" = 0 ]; then
        say "installing emscripten"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq emscripten
    else
        fail "emscripten is missing; run: sudo apt-get install -y emscripten"
    fi
    EMSCRIPTEN=$(dpkg-query -W -f='${Version}' emscripten)
    RECIPE="emscripten $EMSCRIPTEN; $(sha "$0" "$HERE/freetype-wasm-dda.patch" | tr '\n' ' ')"
fi
for tool in apt-get dpkg-source patch make; do
    command -v $tool >/dev/null 2>&1 || fail "$tool is missing (packages apt dpkg-dev patch make)"
done

# apt with state of its own: Debian's source indices for the suites this machine uses.
APT_OPTIONS="-o Dir::Etc::SourceList=$APT/sources.list -o Dir::Etc::SourceParts=- \
-o Dir::State::Lists=$APT/lists -o Dir::Cache=$APT/cache \
-o Dir::State::extended_states=$APT/extended_states \
-o APT::Sandbox::User=$(id -un)"
apt_state_ready=""
apt_update() {
    [ -n "$apt_state_ready" ] && return 0
    mkdir -p "$APT/lists/partial" "$APT/cache/archives/partial"
    keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    [ -f "$keyring" ] || fail "$keyring is missing (package debian-archive-keyring)"
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    [ -n "$suite" ] || fail "cannot tell the Debian release from /etc/os-release"
    cat >"$APT/sources.list" <<EOF
deb-src [signed-by=$keyring] http://deb.debian.org/debian $suite main
deb-src [signed-by=$keyring] http://deb.debian.org/debian $suite-updates main
deb-src [signed-by=$keyring] http://deb.debian.org/debian-security $suite-security main
EOF
    say "reading Debian's source indices for $suite"
    # shellcheck disable=SC2086
    apt-get $APT_OPTIONS -qq update
    apt_state_ready=1
}

# fetch NAME "SOURCE VERSION": Debian's source package, unpacked in $SRC/NAME.
. "$HERE/fetch.sh"

EMFLAGS="-O2"

# zlib: its configure run by emconfigure with Debian's flags (-O3 -D_REENTRANT, and UNALIGNED_OK
# as on amd64: wasm loads unaligned words too, and the deflate matcher then runs the code Debian's
# amd64 library runs).
if ! up_to_date zlib "$ZLIB"; then
    fetch zlib "$ZLIB"
    say "building zlib $FETCHED"
    rm -rf "$BUILD/zlib" && mkdir -p "$BUILD/zlib"
    (
        cd "$BUILD/zlib"
        CFLAGS="-O3 -D_REENTRANT -DUNALIGNED_OK" emconfigure "$SRC/zlib/configure" --static \
            --prefix="$PREFIX" >configure.log 2>&1 || { tail -40 configure.log >&2; exit 1; }
        emmake make -j2 libz.a >make.log 2>&1 || { tail -40 make.log >&2; exit 1; }
        make install >install.log 2>&1 || { tail -40 install.log >&2; exit 1; }
    ) || fail "building zlib failed (logs in $BUILD/zlib)"
    stamp zlib "$ZLIB"
fi

# libpng: its library sources compiled directly with the default configuration (the prebuilt
# pnglibconf.h, which is what Debian's configure produces without options).
if ! up_to_date libpng "$LIBPNG"; then
    fetch libpng "$LIBPNG"
    say "building libpng $FETCHED"
    rm -rf "$BUILD/libpng" && mkdir -p "$BUILD/libpng" "$PREFIX/include/libpng16"
    cp "$SRC/libpng/scripts/pnglibconf.h.prebuilt" "$BUILD/libpng/pnglibconf.h"
    for f in png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset \
        pngtrans pngwio pngwrite pngwtran pngwutil; do
        emcc $EMFLAGS -I"$BUILD/libpng" -I"$PREFIX/include" -c "$SRC/libpng/$f.c" \
            -o "$BUILD/libpng/$f.o"
    done
    rm -f "$PREFIX/lib/libpng16.a" "$PREFIX/lib/libpng.a"
    emar rcs "$PREFIX/lib/libpng16.a" "$BUILD"/libpng/*.o
    ln -s libpng16.a "$PREFIX/lib/libpng.a"
    for h in png.h pngconf.h; do cp "$SRC/libpng/$h" "$PREFIX/include/libpng16/"; done
    cp "$BUILD/libpng/pnglibconf.h" "$PREFIX/include/libpng16/"
    for h in png.h pngconf.h pnglibconf.h; do ln -sf "libpng16/$h" "$PREFIX/include/$h"; done
    pv=$(sed -n 's/^#define PNG_LIBPNG_VER_STRING "\(.*\)"/\1/p' "$SRC/libpng/png.h")
    cat >"$PREFIX/lib/pkgconfig/libpng16.pc" <<EOF
prefix=$PREFIX
libdir=\${prefix}/lib
includedir=\${prefix}/include/libpng16

Name: libpng
Description: Loads and saves PNG files (Debian $FETCHED, emscripten)
Version: $pv
Requires.private: zlib
Libs: -L\${libdir} -lpng16
Libs.private: -lm
Cflags: -I\${includedir}
EOF
    ln -sf libpng16.pc "$PREFIX/lib/pkgconfig/libpng.pc"
    stamp libpng "$LIBPNG"
fi

# FreeType: Debian's configure (its modules.cfg and ftoption.h with Debian's patches) run by
# emconfigure, as debian/rules does: --without-bzip2 --without-harfbuzz, with the zlib and libpng
# above. Brotli (only for WOFF2 web fonts, which the layer does not read) is left out. The patch in
# scripts/web-deps makes the anti-aliasing rasteriser flatten curves as it does on amd64 (see the
# patch's header). emconfigure's pkg-config sees emscripten's sysroot and the prefix alone.
if ! up_to_date freetype "$FREETYPE"; then
    fetch freetype "$FREETYPE"
    if [ ! -f "$SRC/freetype/.tavix-dda" ]; then
        say "applying freetype-wasm-dda.patch"
        patch -s -p1 -d "$SRC/freetype" <"$HERE/freetype-wasm-dda.patch"
        touch "$SRC/freetype/.tavix-dda"
    fi
    say "building freetype $FETCHED"
    rm -rf "$BUILD/freetype" && mkdir -p "$BUILD/freetype"
    (
        cd "$BUILD/freetype"
        # configure adds -pthread where it finds threads (FreeType wants them for its debug log
        # alone); that would make the objects need a threaded wasm build. Naming flags of our own
        # that link (emscripten's libc answers pthread calls without threads) keeps it out.
        PTHREAD_CFLAGS=-D_REENTRANT PTHREAD_LIBS=-lc CFLAGS="$EMFLAGS" \
            EM_PKG_CONFIG_PATH="$PREFIX/lib/pkgconfig" \
            emconfigure "$SRC/freetype/configure" --prefix="$PREFIX" \
            --host=wasm32-unknown-emscripten --disable-shared --enable-static \
            --without-bzip2 --without-harfbuzz --with-zlib=yes --with-png=yes --without-brotli \
            --without-librsvg >configure.log 2>&1 || {
            tail -40 configure.log >&2
            exit 1
        }
        emmake make -j2 >make.log 2>&1 || { tail -40 make.log >&2; exit 1; }
        make install >install.log 2>&1 || { tail -40 install.log >&2; exit 1; }
    ) || fail "building freetype failed (logs in $BUILD/freetype)"
    stamp freetype "$FREETYPE"
fi

say "done: $PREFIX"
