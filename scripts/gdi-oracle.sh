#!/bin/sh
# Regenerates tests/platform_gdi/data/gdi_oracle.txt.gz: builds the GDI corpus program for 64-bit
# Windows and runs it under Wine in its own Xvfb (Wine's GetDC(NULL) needs an X server), keeping
# one "family name checksum" line per shape. Wine's GDI is not deterministic for some shapes (it
# sometimes paints stray rows of brush colour beside narrow filled ellipses), so the corpus runs
# three times and a shape whose checksum changed between runs is written as "unstable": the test
# skips it. Needs wine64, g++-mingw-w64-x86-64 and xvfb.
# Usage: scripts/gdi-oracle.sh [output.txt.gz]
set -e
cd "$(dirname "$0")/.."
out=${1:-tests/platform_gdi/data/gdi_oracle.txt.gz}
wine=${WINE:-/usr/lib/wine/wine64}
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine || true)
for tool in x86_64-w64-mingw32-g++ Xvfb; do
    command -v $tool >/dev/null || { echo "gdi-oracle: $tool is missing" >&2; exit 1; }
done
[ -n "$wine" ] || { echo "gdi-oracle: wine64 is missing" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ -n "$WINEPREFIX_MADE" ] && WINEPREFIX="$WINEPREFIX_MADE" "$(dirname "$wine")/wineserver" -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

x86_64-w64-mingw32-g++ -O2 -Wall -I. -static -o "$work/gdi_corpus.exe" \
    tests/platform_gdi/gdi_corpus.cpp tests/platform_gdi/gdi_corpus_main.cpp -lgdi32 -luser32 -lmsimg32

# A private X server at 24 bits per pixel (the bitmap is compatible with the screen) and a private
# Wine prefix, unless the caller gives one.
exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
exec 5>&-
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.2; done
[ -s "$work/display" ] || { echo "gdi-oracle: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"
if [ -z "$WINEPREFIX" ]; then
    export WINEPREFIX="$work/wineprefix"
    WINEPREFIX_MADE=$WINEPREFIX
fi
export WINEDEBUG=-all

for run in 1 2 3; do
    "$wine" "$work/gdi_corpus.exe" | tr -d '\r' > "$work/run$run.txt"
done
paste -d '\n' "$work/run1.txt" "$work/run2.txt" "$work/run3.txt" | awk '
    { line[NR % 3] = $0 }
    NR % 3 == 0 {
        a = line[1]; b = line[2]; c = line[0]
        if (a == b && b == c) { print a; next }
        sub(/ [^ ]*$/, " unstable", a); print a
    }' > "$work/corpus.txt"
{
    echo "# The GDI corpus (tests/platform_gdi/gdi_corpus.cpp) as painted by $("$wine" --version 2>/dev/null || echo Wine):"
    echo "# family, shape, checksum of the picture. Made by scripts/gdi-oracle.sh; do not edit."
    cat "$work/corpus.txt"
} | gzip -9n > "$out"
echo "gdi-oracle: $(wc -l < "$work/corpus.txt") shapes written to $out ($(grep -c ' unstable$' "$work/corpus.txt") unstable)"
