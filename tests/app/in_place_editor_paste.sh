#!/usr/bin/env bash
# The real editor on a real X display (Xvfb), driven by xdotool: copy a
# rectangle with Ctrl+C, click it twice so the in-place text editor opens,
# press Ctrl+V. The editor must still be running afterwards.
# Usage: in_place_editor_paste.sh QUILLMARK SAMPLE.dof
set -euo pipefail
quillmark=$1
sample=$2
# xdotool matches window titles as regular expressions in the current
# locale; the canvas title is Japanese.
export LC_ALL=C.UTF-8
work=$(mktemp -d)
xvfb=""
app=""
cleanup() {
    [[ -n "$app" ]] && kill "$app" 2>/dev/null || true
    [[ -n "$xvfb" ]] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "$1"
    echo "--- editor output"; cat "$work/log" 2>/dev/null || true
    echo "--- Xvfb output"; cat "$work/xvfb.log" 2>/dev/null || true
    exit 1
}

# Xvfb picks a display number it could listen on in every way and writes it
# to fd 3 once it accepts clients; a number chosen beforehand can be taken
# by another X server by then.
start_display() {
    Xvfb -displayfd 3 -screen 0 1400x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb=$!
    for _ in $(seq 150); do
        [[ -s "$work/display" ]] && break
        kill -0 "$xvfb" 2>/dev/null || fail "Xvfb did not start"
        sleep 0.1
    done
    [[ -s "$work/display" ]] || fail "Xvfb gave no display"
    export DISPLAY=":$(head -1 "$work/display")"
}

start_display
HOME="$work" XDG_CONFIG_HOME="$work/config" "$quillmark" "$sample" >"$work/log" 2>&1 &
app=$!
canvas=""
for _ in $(seq 150); do
    canvas=$(xdotool search --name "キャンバス" 2>/dev/null | head -1 || true)
    [[ -n "$canvas" ]] && break
    kill -0 "$app" 2>/dev/null || fail "the editor ended before its canvas window showed"
    sleep 0.2
done
[[ -n "$canvas" ]] || fail "no canvas window"
sleep 1
# The sample's first rectangle covers (30, 30) to (190, 110) of the canvas.
xdotool mousemove --window "$canvas" 110 70 click 1
sleep 0.3
xdotool key ctrl+c
sleep 0.3
xdotool mousemove --window "$canvas" 110 70 click 1
sleep 0.3
xdotool mousemove --window "$canvas" 110 70 click 1
sleep 0.5
xdotool key ctrl+v ctrl+v Delete ctrl+z
sleep 1
kill -0 "$app" 2>/dev/null || fail "the editor died"
echo "the editor is still running"
