#!/bin/sh
# The browser build's source fetching (scripts/web-deps/fetch.sh) against a stand-in apt: when the
# index lists a revision whose files the mirror lacks, the next one is taken and nothing printed
# reads as an error; when no revision can be had, apt's own words are shown and the fetch fails.
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
mkdir -p "$T/bin"
# apt-cache showsrc lists three revisions; apt-get source fails with a 404 for those in MISSING.
cat >"$T/bin/apt-cache" <<'STUB'
#!/bin/sh
printf 'Package: libdemo\nVersion: 1.0-1+u6\n\nPackage: libdemo\nVersion: 1.0-1+u5\n\nVersion: 2.0-1\n'
STUB
cat >"$T/bin/apt-get" <<'STUB'
#!/bin/sh
for a; do case $a in *=*) pick=${a#*=} ;; esac; done
case " $MISSING " in *" $pick "*)
    echo "E: Failed to fetch http://deb.example/libdemo_$pick.dsc  404  Not Found" >&2
    echo "E: Failed to fetch some archives." >&2
    exit 100 ;;
esac
mkdir -p "libdemo-$pick/debian"
STUB
chmod +x "$T/bin/apt-get" "$T/bin/apt-cache"
PATH=$T/bin:$PATH
export PATH

failures=0
check() { # what, condition
    if eval "$2"; then :; else
        echo "FAIL: $1" >&2
        sed 's/^/    out: /' "$T/out" >&2
        sed 's/^/    err: /' "$T/err" >&2
        failures=$((failures + 1))
    fi
}

# run INSTALLED MISSING: fetches libdemo as web-deps.sh does; status in $status.
run() {
    rm -rf "$T/src"
    mkdir -p "$T/src"
    MISSING=$2
    export MISSING
    (
        set -e
        say() { echo "web-deps: $*"; }
        fail() { echo "web-deps: $*" >&2; exit 1; }
        apt_update() { :; }
        APT_OPTIONS=""
        SRC=$T/src
        . "$ROOT/scripts/web-deps/fetch.sh"
        fetch demo "libdemo $1"
        echo "FETCHED $FETCHED"
    ) >"$T/out" 2>"$T/err"
    status=$?
}
looks_like_error() { grep -qiE '(^|[^a-z])(E:|error|fail)' "$T/out" "$T/err"; }

run 1.0-1+u4 "1.0-1+u6"
check "a revision the mirror lacks is passed over" '[ $status = 0 ] && grep -q "FETCHED 1.0-1+u5" "$T/out"'
check "a fetch that succeeds prints nothing that reads as an error" '! looks_like_error && [ ! -s "$T/err" ]'
check "the fetched source is unpacked" '[ -d "$T/src/demo/debian" ]'

run 2.0-1 ""
check "the installed revision is taken when the archive has it" \
    '[ $status = 0 ] && grep -q "FETCHED 2.0-1" "$T/out" && ! grep -q NOTE "$T/out"'

run 1.0-1+u4 "1.0-1+u6 1.0-1+u5"
check "with no revision to be had the fetch fails" '[ $status != 0 ]'
check "and shows apt's words and what was wanted" \
    'grep -q "404  Not Found" "$T/err" && grep -q "no source of libdemo 1.0" "$T/err"'

[ $failures = 0 ] && echo "fetch_test: all passed"
exit $failures
