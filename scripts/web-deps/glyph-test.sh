#!/bin/sh
# Checks that the browser build's FreeType draws the Linux build's glyphs: glyphs.c renders the
# faces the layer uses, at many sizes, through the machine's FreeType and through the wasm one
# (in node), and the two dumps must be equal byte for byte. A control build whose anti-aliasing
# rasteriser takes FreeType's non-x86 curve flattening must differ, or the check proves nothing.
set -e

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
HERE=$ROOT/scripts/web-deps
OUT=${TAVIX_WEB_DEPS_DIR:-$ROOT/build-web-deps}
T=$OUT/glyph-test
NODE_PATH=/usr/share/nodejs
export NODE_PATH

sh "$ROOT/scripts/web-deps.sh"
P=$OUT/prefix
S=$OUT/src/freetype
B=$OUT/build/freetype
mkdir -p "$T"

# The faces fontconfig gives the layer's requests, and the DejaVu and Liberation faces the
# project installs; the first two are also drawn with synthetic italic and bold.
fonts=""
add() { case " $fonts " in *" $1 "*) ;; *) fonts="$fonts $1" ;; esac; }
D=/usr/share/fonts/truetype/dejavu
L=/usr/share/fonts/truetype/liberation
for f in $L/LiberationSans-Regular.ttf $D/DejaVuSans.ttf $L/LiberationSans-Bold.ttf \
    $L/LiberationSans-Italic.ttf $L/LiberationSerif-Regular.ttf $L/LiberationMono-Regular.ttf \
    $L/LiberationSans-BoldItalic.ttf $D/DejaVuSans-Bold.ttf $D/DejaVuSansMono.ttf \
    $D/DejaVuSansMono-Bold.ttf $D/DejaVuSerif.ttf; do
    [ -f "$f" ] || { echo "glyph-test: $f is missing; run scripts/install-deps.sh" >&2; exit 1; }
    add "$f"
done
if command -v fc-match >/dev/null 2>&1; then
    for request in Arial Arial:bold sans-serif serif monospace monospace:bold "Courier New" \
        "Times New Roman"; do
        f=$(fc-match -f '%{file}' "$request")
        case $f in *.ttf | *.otf) add "$f" ;; esac
    done
fi

# Native, against the machine's FreeType; wasm, against the prefix's; and the control: the
# prefix's FreeType with its anti-aliasing module compiled as if not for wasm, so its curves are
# flattened by halving (FreeType's choice outside x86 and arm64). The module's object comes
# first, so the linker takes it instead of the library's.
WASM_FLAGS="-O2 -sNODERAWFS=1 -sALLOW_MEMORY_GROWTH=1 -sSINGLE_FILE=1 -I$P/include/freetype2"
WASM_LIBS="$P/lib/libfreetype.a $P/lib/libpng16.a $P/lib/libz.a"
# shellcheck disable=SC2046
${CC:-cc} -O2 -o "$T/glyphs" "$HERE/glyphs.c" $(pkg-config --cflags --libs freetype2)
# shellcheck disable=SC2086
emcc $WASM_FLAGS "$HERE/glyphs.c" $WASM_LIBS -o "$T/glyphs.js"
emcc -O2 -U__wasm__ -DFT2_BUILD_LIBRARY '-DFT_CONFIG_CONFIG_H=<ftconfig.h>' \
    '-DFT_CONFIG_MODULES_H=<ftmodule.h>' '-DFT_CONFIG_OPTIONS_H=<ftoption.h>' -I"$S/src/smooth" \
    -I"$B" -I"$S/builds/unix" -I"$S/include" -c "$S/src/smooth/smooth.c" -o "$T/smooth-halving.o"
# shellcheck disable=SC2086
emcc $WASM_FLAGS "$HERE/glyphs.c" "$T/smooth-halving.o" $WASM_LIBS -o "$T/glyphs-halving.js"

# shellcheck disable=SC2086
"$T/glyphs" "$T/native.dump" $fonts >"$T/native.txt"
# shellcheck disable=SC2086
node "$T/glyphs.js" "$T/wasm.dump" $fonts >"$T/wasm.txt"
# shellcheck disable=SC2086
node "$T/glyphs-halving.js" "$T/halving.dump" $fonts >"$T/halving.txt"

cases=$(wc -l <"$T/native.txt")
bytes=$(wc -c <"$T/native.dump")
nfonts=$(echo $fonts | wc -w)
# The cases of a run whose bytes differ from the native run's.
differing() { diff "$T/native.txt" "$1" | grep -c '^>' || true; }
wasm_diff=$(differing "$T/wasm.txt")
halving_diff=$(differing "$T/halving.txt")
halving_sizes=$(diff "$T/native.txt" "$T/halving.txt" | sed -n 's/^> [^ ]* \([0-9]*\).*/\1/p' |
    sort -nu | wc -l)
echo "glyph-test: $nfonts faces, $cases cases (size x mode x style), $bytes bytes of glyphs"
echo "glyph-test: control (curves flattened by halving): $halving_diff cases differ," \
    "at $halving_sizes of the 33 pixel sizes"
if [ "$wasm_diff" != 0 ] || ! cmp -s "$T/native.dump" "$T/wasm.dump"; then
    echo "glyph-test: FAIL: the wasm FreeType's glyphs differ from the native ones in" \
        "$wasm_diff cases:" >&2
    diff "$T/native.txt" "$T/wasm.txt" | sed -n 's/^> /    /p' | head -20 >&2
    exit 1
fi
if [ "$halving_diff" = 0 ]; then
    echo "glyph-test: FAIL: the control draws the native glyphs too, so the check shows nothing" >&2
    exit 1
fi
echo "glyph-test: wasm and native glyphs are equal byte for byte"
