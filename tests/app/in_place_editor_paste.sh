#!/usr/bin/env bash
# The real editor on a real X display (Xvfb), driven by xdotool: copy a
# rectangle with Ctrl+C, click it twice so the in-place text editor opens,
# press Ctrl+V. The editor must still be running afterwards.
# Usage: in_place_editor_paste.sh QUILLMARK SAMPLE.dof
set -euo pipefail
quillmark=$1
source "$(dirname "$0")/real_display.sh"
start_editor "$2"
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
expect_running
echo "the editor is still running"
