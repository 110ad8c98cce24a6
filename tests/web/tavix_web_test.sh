#!/bin/sh
# tavix-web as a learner runs it: the browser build installed into a prefix of its own, the
# guide's first program made a page (quick, then --release), and the page's pixels compared in
# Chromium with the same program built against the Linux build. Prints how long each took.
#   sh tests/web/tavix_web_test.sh NATIVE_BUILD WEB_BUILD
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "$1" && pwd)
WEB_BUILD=$(cd "$2" && pwd)
work=$WEB_BUILD/tavix-web-test
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() { echo "  FAIL  $*"; failures=$((failures + 1)); }
echo "tavix_web:"

cmake --install "$WEB_BUILD" --prefix "$work/kit" >/dev/null
cmake --install "$BUILD" --prefix "$work/native" >/dev/null
sed -n '/^Save this as `hello.c`:/,/^```$/{/^```c$/,/^```$/p}' "$ROOT/docs/guide.md" | sed '1d;$d' \
    >"$work/hello.c"
[ -s "$work/hello.c" ] || { echo "tavix_web: no first program in docs/guide.md" >&2; exit 1; }
pc=$(find "$work/native" -name tavix.pc | head -n 1)
# shellcheck disable=SC2046
cc "$work/hello.c" -o "$work/hello" $(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --cflags --libs tavix)

now() { date +%s.%N; }
for how in quick release; do
    flag=
    [ $how = release ] && flag=--release
    t0=$(now)
    # shellcheck disable=SC2086
    if (cd "$work" && "$work/kit/bin/tavix-web" hello.c $flag -o "page-$how") >"$work/$how.log" 2>&1; then
        t1=$(now)
        echo "  tavix-web hello.c $flag: $(awk "BEGIN { printf \"%.2f\", $t1 - $t0 }") s"
        node "$ROOT/tests/dist/web_kit_test.mjs" "$work/page-$how" hello "$work/hello" \
            "$work/out-$how" || fail "hello's page ($how) differs from the Linux program"
    else
        cat "$work/$how.log"
        fail "tavix-web hello.c $flag does not make a page"
    fi
done
echo "  machine load: $(cut -d' ' -f1-3 /proc/loadavg)"
[ "$failures" = 0 ] || { echo "tavix_web: $failures failed"; exit 1; }
