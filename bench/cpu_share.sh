#!/bin/sh
# CPU share of running programs under a private Xvfb, from /proc (the CPU time of the program's
# threads over a measured stretch of wall time), with the machine's load beside each figure.
#   cpu_share.sh BUILD_DIR [SECONDS]
# Cases: the running cone; the running cone with logging on (Ctrl+L, console hidden); a client
# making 200 logged calls a tick with its console shown (log_client). The X server's own share
# is shown too: it is what the display spends on what the program hands it.
set -u
build=${1:?usage: cpu_share.sh BUILD_DIR [SECONDS]}
seconds=${2:-10}

# CPU time of every thread of a process, in nanoseconds (schedstat's first field).
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{n += $1} END {print n + 0}'; }

exec 3>/tmp/cpu_share_display.$$
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -s /tmp/cpu_share_display.$$ ] && break; sleep 0.1; done
DISPLAY=:$(cat /tmp/cpu_share_display.$$)
export DISPLAY
rm -f /tmp/cpu_share_display.$$
trap 'kill $xvfb 2>/dev/null' EXIT

# measure NAME WINDOW_TITLE KEYS COMMAND...
measure() {
    name=$1 title=$2 keys=$3
    shift 3
    "$@" >/dev/null 2>&1 &
    pid=$!
    win=
    for _ in $(seq 100); do
        win=$(xdotool search --name "$title" 2>/dev/null | head -1)
        [ -n "$win" ] && break
        sleep 0.1
    done
    if [ -n "$keys" ] && [ -n "$win" ]; then
        xdotool windowfocus --sync "$win" key $keys 2>/dev/null
    fi
    sleep 2
    p0=$(cpu_ns $pid) x0=$(cpu_ns $xvfb) load0=$(cut -d' ' -f1 /proc/loadavg)
    sleep "$seconds"
    p1=$(cpu_ns $pid) x1=$(cpu_ns $xvfb) load1=$(cut -d' ' -f1 /proc/loadavg)
    kill $pid 2>/dev/null
    wait $pid 2>/dev/null
    awk -v n="$name" -v p=$((p1 - p0)) -v x=$((x1 - x0)) -v s="$seconds" \
        -v l0="$load0" -v l1="$load1" 'BEGIN {
        printf "%-40s program %5.2f %%  X server %5.2f %%  (load %s -> %s)\n",
               n, 100 * p / 1e9 / s, 100 * x / 1e9 / s, l0, l1 }'
}

measure "cone, running" "TAVIX Graphics" "" "$build/cone"
measure "cone, logging on, console hidden" "TAVIX Graphics" "ctrl+l" "$build/cone"
measure "200 logged calls a tick, console shown" "TAVIX Graphics" "" "$build/bench/log_client"
