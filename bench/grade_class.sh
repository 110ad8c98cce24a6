#!/bin/sh
# tavix-grade on a class: the cone as the reference and as 100 submissions (copies of it), 3
# scripts of the cone in use, two runs at once, graded in the sandbox and then without it (or in
# the sandboxes named in SANDBOXES, e.g. "namespaces user-ids none"). Prints the wall time of each
# grading with the machine's load before and after, and what the sandbox adds to it; then, with
# hyperfine, the fixed cost of one run in each (a grading of one submission on one short script).
#   grade_class.sh BUILD_DIR [SUBMISSIONS] [SCRIPTS] [EVENTS_PER_SCRIPT]
set -eu
build=${1:?usage: grade_class.sh BUILD_DIR [SUBMISSIONS] [SCRIPTS] [EVENTS_PER_SCRIPT]}
submissions=${2:-100}
scripts=${3:-3}
events=${4:-400}
sandboxes=${SANDBOXES:-default none}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A script of the cone in use, like the replay benchmark's: buttons, clicks over the cone and the
# palette, keys and runs of ticks; seed makes each script its own.
make_script() {
    awk -v seed="$1" -v events="$events" 'BEGIN {
        for (n = 0; n < events; i++) {
            k = (i + seed) % 4
            if (k == 0) printf "TAVIX_MOUSE(-240, %d);\n", 232 - 25 * ((i + seed) % 7)
            else if (k == 1) printf "TAVIX_MOUSE(%d, %d);\n", (i * 7 + seed) % 500 - 200, (i * 3 + seed) % 300 - 120
            else if (k == 2) printf "TAVIX_KBD(%d);\n", 32 + (i + seed) % 90
            else { printf "TAVIX_PERIODIC(5);\n"; n += 4 }
            n++
        }
    }'
}

set --
for s in $(seq "$scripts"); do
    make_script "$s" > "$work/script$s.scr"
    set -- "$@" --script "$work/script$s.scr"
done
for p in $(seq "$submissions"); do
    cp "$build/cone" "$work/student$p"
done

option() {
    case $1 in
    default) echo "" ;;
    none) echo "--no-sandbox" ;;
    *) echo "--sandbox $1" ;;
    esac
}

first=""
for sandbox in $sandboxes; do
    echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
    start=$(date +%s.%N)
    status=0
    # shellcheck disable=SC2046
    "$build/tavix-grade" $(option "$sandbox") --jobs 2 --out "$work/report" \
        --reference "$build/cone" "$@" "$work"/student* >/dev/null || status=$?
    end=$(date +%s.%N)
    echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
    seconds=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", e - s }')
    echo "tavix-grade, sandbox $sandbox: $submissions submissions x $scripts scripts of $events" \
        "events, 2 at once: $seconds s (exit status $status);" \
        "$(grep -o 'Isolation: [a-z-]*' "$work/report/report.html" || true)"
    cut -d, -f3 "$work/report/summary.csv" | tail -n +2 | sort | uniq -c
    if [ -z "$first" ]; then
        first=$seconds
    else
        awk -v a="$first" -v b="$seconds" \
            'BEGIN { printf "the first against this one: %+.0f%%\n", (a / b - 1) * 100 }'
    fi
done

# The fixed cost of a run: one submission on one short script, so two runs a grading.
if command -v hyperfine >/dev/null; then
    make_script 1 | head -20 >"$work/short.scr"
    set --
    for sandbox in $sandboxes; do
        one="--jobs 1 --out $work/one --reference $build/cone --script $work/short.scr"
        set -- "$@" "$build/tavix-grade $(option "$sandbox") $one $work/student1"
    done
    echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
    hyperfine -N --warmup 2 --runs 15 -i "$@"
    echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
fi
