#!/bin/sh
# tavix-grade on a class: the cone as the reference and as 40 submissions (copies of it), 5 scripts
# of the cone in use, two runs at once. Prints the wall time of the grading with the machine's
# load before and after.
#   grade_class.sh BUILD_DIR [SUBMISSIONS] [SCRIPTS] [EVENTS_PER_SCRIPT]
set -eu
build=${1:?usage: grade_class.sh BUILD_DIR [SUBMISSIONS] [SCRIPTS] [EVENTS_PER_SCRIPT]}
submissions=${2:-40}
scripts=${3:-5}
events=${4:-400}
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

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
start=$(date +%s.%N)
status=0
"$build/tavix-grade" --jobs 2 --out "$work/report" --reference "$build/cone" "$@" \
    "$work"/student* >/dev/null || status=$?
end=$(date +%s.%N)
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v s="$start" -v e="$end" -v n="$submissions" -v k="$scripts" -v ev="$events" -v st="$status" \
    'BEGIN { printf "tavix-grade: %d submissions x %d scripts of %d events, 2 at once: %.1f s (exit status %d)\n", n, k, ev, e - s, st }'
cut -d, -f3 "$work/report/summary.csv" | tail -n +2 | sort | uniq -c
