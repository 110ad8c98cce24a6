#!/bin/sh
# Makes the pictures of README.md and docs/guide.md anew from the project's own programs: each
# runs on a private virtual X server (Xvfb), is driven with xdotool where it needs input, and its
# graphics window (menu bar and client area) is cut out of a screenshot.
#   scripts/make-pictures.sh [build dir]      (default: build; `make pictures` builds it first)
set -eu
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
out=docs/pictures
mkdir -p "$out" docs/screenshots
work=$(mktemp -d)

# A screen 1024 x 768 with no window manager: the graphics window opens at (0, 0).
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

# start <program> [arguments]: runs it in $work (where a script file would go) and waits for its
# graphics window; sets wx, wy (the window's top left) for the helpers below.
start() {
    (cd "$work" && exec "$@" >/dev/null 2>&1) &
    app=$!
    window=$(xdotool search --sync --onlyvisible --name "^TAVIX Graphics$" | head -n 1)
    eval "$(xdotool getwindowgeometry --shell "$window")"
    wx=$X
    wy=$Y
    sleep 1
}
# Library point (x, y) on the screen: the client area lies below the 19-pixel menu bar and its
# centre, (297, 248) from its top left, is the library's origin.
click() {
    xdotool mousemove $((wx + 297 + $1)) $((wy + 19 + 248 - $2)) click 1
    sleep 0.2
}
# shoot <file>: the graphics window as it is now, 595 x 515 pixels.
shoot() {
    sleep 0.5
    xwd -root | convert xwd:- -crop "595x515+$wx+$wy" +repage -strip "$1"
    echo "made $1"
}
stop() {
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    app=""
}

start "$build/docs/programs/doc_coordinates"; shoot "$out/coordinates.png"; stop
start "$build/docs/programs/doc_colours"; shoot "$out/colours.png"; stop
for what in rgb ellipse arc polygon fill pixel image text; do
    start "$build/docs/programs/doc_extras" "$what" "$PWD/examples/sprite.png"
    shoot "$out/call_$what.png"; stop
done

start "$build/examples/house"; shoot "$out/house.png"; stop
start "$build/examples/bouncing_ball"; sleep 2; shoot "$out/bouncing_ball.png"; stop
start "$build/examples/click_to_draw"
for p in "-200 -150" "-120 100" "0 -50" "90 150" "200 -120" "250 80"; do
    # shellcheck disable=SC2086
    click $p
done
shoot "$out/click_to_draw.png"; stop
start "$build/examples/typing_echo"
xdotool type --delay 60 "Hello, TAVIX!"
shoot "$out/typing_echo.png"; stop
start "$build/examples/tiny_game"; sleep 1.5; click 0 -200; shoot "$out/tiny_game.png"; stop
start "$build/examples/sprite_scene" "$PWD/examples/sprite.png"; sleep 2.5
shoot "$out/sprite_scene.png"; stop
# The arrow-key game with a fixed seed, flown up and to the right for a moment.
start env TAVIX_SEED=3 "$build/examples/arrow_game"
xdotool keydown Right keydown Up; sleep 0.5; xdotool keyup Up; sleep 0.4; xdotool keyup Right
shoot "$out/arrow_game.png"; stop
# The paint program: a wave drawn with the left button, a stroke rubbed out of it with the right.
# drag <button> <x y>...: presses at the first point, moves through the others, lets go.
drag() {
    b=$1; shift
    xdotool mousemove $((wx + 297 + $1)) $((wy + 19 + 248 - $2)) mousedown "$b"; shift 2
    while [ $# -ge 2 ]; do
        xdotool mousemove $((wx + 297 + $1)) $((wy + 19 + 248 - $2)); sleep 0.03; shift 2
    done
    xdotool mouseup "$b"; sleep 0.2
}
start "$build/examples/paint"
drag 1 -250 0 -200 60 -150 80 -100 60 -50 0 0 -60 50 -80 100 -60 150 0 200 60 250 80
xdotool key 2; xdotool click 4 click 4 click 4 click 4
drag 1 -250 -150 -125 -100 0 -150 125 -100 250 -150
drag 3 -20 150 0 0 20 -200
shoot "$out/paint.png"; stop

# The cone decorator for the README: toppings on the scoops, then its Run menu open with the
# pointer on "Record Script".
# press <i>: the cone's button i, 0 "Add Scoop" to 7 "LET'S EAT!!!".
press() { click -240 $((232 - 25 * $1)); }
start "$build/cone"
press 0; press 0                                   # three scoops
click 30 100                                       # a red M & M
press 2; click -30 150                             # and another
press 5; click 30 100; press 4; click 260 192      # the first one green
press 3; click -250 -70                            # made a nut
press 2; click 20 150; press 3; click -250 -170    # confetti
press 2; click -25 180; press 3; click -255 -119   # a sprinkle,
press 4; click 260 154                             # yellow
shoot docs/screenshots/cone.png
xdotool mousemove $((wx + 16)) $((wy + 9)) click 1
sleep 0.5
xdotool mousemove $((wx + 60)) $((wy + 19 + 100))
shoot docs/screenshots/menu_hover.png
stop
