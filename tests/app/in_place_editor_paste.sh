#!/usr/bin/env bash
# The real editor on a real X display (Xvfb), driven by xdotool: copy a
# rectangle with Ctrl+C, click it twice so the in-place text editor opens,
# press Ctrl+V. The editor must still be running afterwards.
# Usage: in_place_editor_paste.sh QUILLMARK SAMPLE.dof
set -euo pipefail
quillmark=$1
sample=$2
if [[ "${3:-}" != on-display ]]; then
    exec xvfb-run -a -s "-screen 0 1400x1000x24" "$0" "$quillmark" "$sample" on-display
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run() {
    HOME="$work" XDG_CONFIG_HOME="$work/config" "$quillmark" "$sample" >"$work/log" 2>&1 &
    local pid=$!
    local canvas=""
    for _ in $(seq 150); do
        canvas=$(xdotool search --name "キャンバス" 2>/dev/null | head -1 || true)
        [[ -n "$canvas" ]] && break
        sleep 0.2
    done
    [[ -n "$canvas" ]] || { echo "no canvas window"; kill $pid; exit 1; }
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
    if kill -0 $pid 2>/dev/null; then
        kill $pid
        echo "the editor is still running"
    else
        wait $pid || true
        echo "the editor died"
        cat "$work/log"
        exit 1
    fi
}
run
