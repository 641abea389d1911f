#!/usr/bin/env bash
# The simulator window in a real X server: Xvfb, the mouse moved and clicked by xdotool,
# the screen captured with xwd. A refill typed and saved shows in the window exactly as
# in the framebuffer, EXIT ends the simulator and saves the settings, and without any
# display --window refuses at once.
#   xvfb_test.sh SIM CARD SHOT_COMPARE
set -euo pipefail
sim=$1 card=$2 compare=$3
work=$(mktemp -d)
xvfb=0 simpid=0
cleanup() {
    [ "$simpid" -ne 0 ] && kill -KILL "$simpid" 2>/dev/null || true
    [ "$xvfb" -ne 0 ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "xvfb test: $*" >&2; exit 1; }

# No display at all: a message and status 2 at once, no program started.
set +e
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 5 "$sim" --root "$work/none" --window \
    2>"$work/none.txt"
status=$?
set -e
[ "$status" -eq 2 ] || fail "--window without a display ended with $status, not 2"
grep -q "needs a display" "$work/none.txt" || fail "no word of the missing display"
[ ! -e "$work/none/dev/fb" ] || fail "the program started without a display"

"$card" "$work/card" >/dev/null
# Xvfb picks a free display number and writes it to the file when it is ready.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.txt" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.txt")"
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY SDL_VIDEODRIVER

# Sanitizer builds: SDL's X11 driver leaves libdbus's connection behind, in frames the
# fast unwinder cannot follow; the window code's own leaks are the business of the
# window tests on SDL's dummy driver.
ASAN_OPTIONS="detect_leaks=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}" \
    "$sim" --root "$work/card" --window --zoom 2 2>"$work/sim.txt" &
simpid=$!
window=$(timeout 20 xdotool search --sync --name '^Pumpwright$' | head -n1)
[ -n "$window" ] || fail "no window: $(cat "$work/sim.txt")"
# The window is found once mapped; the first pass and its drawing follow.
sleep 1

# A touch at a layout point of the default 400 x 256 layout, held over two passes.
touch() {
    xdotool mousemove --window "$window" $(($1 * 2)) $(($2 * 2)) mousedown 1
    sleep 0.25
    xdotool mouseup 1
    sleep 0.25
}
declare -A at=([1]="43 80" [2]="121 80" [3]="198 80" [4]="43 130" [5]="121 130" [6]="198 130"
    [7]="43 177" [8]="121 177" [9]="198 177" [0]="121 225" [.]="198 225" [DRIVEN]="276 30"
    [REFILLED]="276 80" [PAID]="276 130" [SAVE]="276 177" [EXIT]="353 30")
type() { local i; for ((i = 0; i < ${#1}; i++)); do touch ${at[${1:i:1}]}; done; }
type 412; touch ${at[DRIVEN]}
type 28.5; touch ${at[REFILLED]}
type 49.9; touch ${at[PAID]}
touch ${at[SAVE]}
log="$work/card/mnt/sdcard/Pumpwright/consumption.txt"
grep -qP '^1\t412(\.0+)?\t28\.5' "$log" || fail "the refill was not saved: $(cat "$log" 2>&1)"

# The screen, cut to the window: captured by itself the window comes out through its own
# colour map, which xwdtopnm reads differently from the screen's.
eval "$(xdotool getwindowgeometry --shell "$window")"
xwd -silent -root | xwdtopnm 2>/dev/null |
    pamcut -left "$X" -top "$Y" -width "$WIDTH" -height "$HEIGHT" | pnmtopng >"$work/window.png"
"$compare" "$work/window.png" "$work/card/dev/fb" 400 256 16 2

touch ${at[EXIT]}
for _ in $(seq 50); do kill -0 "$simpid" 2>/dev/null || break; sleep 0.1; done
set +e
wait "$simpid"
status=$?
set -e
simpid=0
[ "$status" -eq 0 ] || fail "EXIT ended the simulator with $status: $(cat "$work/sim.txt")"
[ -s "$work/card/mnt/sdcard/Pumpwright/properties.txt" ] || fail "EXIT saved no settings"
echo "xvfb test: refill saved, window matches the framebuffer, EXIT saved the settings"
