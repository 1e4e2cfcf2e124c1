#!/usr/bin/env bash
# The real editor on a real X display (Xvfb), driven by xdotool: drag the
# tree window's row "四角形" onto the group "新しいグループ" with the mouse,
# save with Ctrl+S, undo with Ctrl+Z and save again. The drop must change
# the saved drawing and the undo must give the file back byte for byte.
# Usage: tree_drag.sh QUILLMARK SAMPLE.dof
set -euo pipefail
quillmark=$1
source "$(dirname "$0")/real_display.sh"
sample=$2
cp "$sample" "$work/drawing.dof"
start_editor "$work/drawing.dof"

# Saves with Ctrl+S and waits until the file is (`same`) or is not
# (`changed`) the sample, byte for byte.
save_and_expect() {
    # Empty canvas: the keys go to the editor, nothing is selected.
    xdotool mousemove --window "$canvas" 580 420 click 1
    sleep 0.3
    xdotool key ctrl+s
    for _ in $(seq 50); do
        if cmp -s "$sample" "$work/drawing.dof"; then
            [[ "$1" == same ]] && return
        else
            [[ "$1" == changed ]] && return
        fi
        sleep 0.2
    done
    expect_running
    fail "$2"
}

save_and_expect same "saving the opened sample changed it"
# The sample's rows, 14 pixels apart: "四角形" is the third, the group the eleventh.
xdotool mousemove --window "$tree" 60 35 mousedown 1
sleep 0.2
for y in 45 60 80 100 120 140 147; do
    xdotool mousemove --window "$tree" 80 "$y"
    sleep 0.1
done
sleep 0.3
xdotool mouseup 1
sleep 0.5
save_and_expect changed "the drop changed nothing that was saved"
xdotool key ctrl+z
save_and_expect same "undoing the drop did not give the drawing back"
expect_running
echo "the row was dropped into the group and taken back"
