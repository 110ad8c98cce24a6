#!/bin/sh
# What a drag costs a program idle in TAVIX_wait: 10,000 pointer motions within one second, sent
# through XTest to a private Xvfb with the left button held, while the CPU time of the program's
# threads is read from /proc (as cpu_share.sh does) over the drag and the half second after it.
# It prints that CPU time, as a share of the drag's time (the target: under 5 %) and of the whole
# stretch, with the machine's load beside it.
#   drag_cpu.sh BUILD_DIR [MOTIONS]   (MOTIONS 0: the same stretch without a drag, the baseline)
# DRAG_CLIENT=PROGRAM measures another program instead (tests/programs/tavix_client waits with
# TAVIX_next_event, which delivers no motion: what the layer alone costs).
set -u
build=${1:?usage: drag_cpu.sh BUILD_DIR [MOTIONS]}
motions=${2:-10000}
export motions

cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{n += $1} END {printf "%.0f\n", n}'; }

exec 3>/tmp/drag_cpu_display.$$
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -s /tmp/drag_cpu_display.$$ ] && break; sleep 0.1; done
DISPLAY=:$(cat /tmp/drag_cpu_display.$$)
export DISPLAY
rm -f /tmp/drag_cpu_display.$$
out=$(mktemp)
trap 'kill $xvfb 2>/dev/null; rm -f "$out"' EXIT

SDL_VIDEODRIVER=x11 ${DRAG_CLIENT:-"$build/bench/idle_client"} >"$out" 2>/dev/null &
pid=$!
win=
for _ in $(seq 100); do
    win=$(xdotool search --name "TAVIX Graphics" 2>/dev/null | head -1)
    [ -n "$win" ] && break
    sleep 0.1
done
sleep 1
xdotool windowfocus --sync "$win" mousemove 300 250 mousedown 1
sleep 0.5
p0=$(cpu_ns $pid) load0=$(cut -d' ' -f1 /proc/loadavg) t0=$(date +%s%N)
# 10,000 motions, paced to fill one second: a circle round the picture's centre.
python3 - <<'PY'
import ctypes, math, time
x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
d = ctypes.c_void_p(x11.XOpenDisplay(None))
start = time.monotonic()
import os
n = int(os.environ["motions"])
for i in range(n):
    a = i * 2 * math.pi / 500
    xtst.XTestFakeMotionEvent(d, -1, int(300 + 150 * math.cos(a)), int(300 + 150 * math.sin(a)), 0)
    if i % 100 == 99:
        x11.XFlush(d)
        lag = start + (i + 1) / 10000 - time.monotonic()
        if lag > 0: time.sleep(lag)
x11.XFlush(d)
x11.XSync(d, 0)
if n == 0: time.sleep(1)
print("sent %d motions in %.2f s" % (n, time.monotonic() - start))
x11.XCloseDisplay(d)
PY
sleep 0.5
p1=$(cpu_ns $pid) load1=$(cut -d' ' -f1 /proc/loadavg) t1=$(date +%s%N)
xdotool mouseup 1 key ctrl+q
wait $pid 2>/dev/null
# The target is set against the drag's own time (10,000 motions a second; MOTIONS 0: one second):
# the CPU time per second of it, in per cent, is the figure that counts; the share over the whole
# stretch is beside it.
moves=$(grep '^MOVES' "$out")
awk -v p=$((p1 - p0)) -v t=$((t1 - t0)) -v l0="$load0" -v l1="$load1" -v moves="${moves:-no MOVES}" \
    -v n="$motions" 'BEGIN { printf "drag of %d motions: %.3f s of CPU = %4.1f %% of the drag'"'"'s time (%4.2f %% of a core over %.2f s), %s delivered (load %s -> %s)\n",
             n, p / 1e9, 100 * p / 1e9 / (n > 0 ? n / 10000 : 1), 100 * p / t, t / 1e9, moves, l0, l1 }'
