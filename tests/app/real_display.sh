# Sourced by the real-display tests: the real editor on its own Xvfb,
# driven by xdotool. Defines `work`, `fail`, `start_editor FILE` (sets
# `app`, `canvas` and `tree` to the process and the windows) and
# `expect_running`.

# xdotool matches window titles as regular expressions in the current
# locale; the titles are Japanese.
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

window_named() {
    xdotool search --name "$1" 2>/dev/null | head -1 || true
}

start_editor() {
    start_display
    HOME="$work" XDG_CONFIG_HOME="$work/config" "$quillmark" "$1" >"$work/log" 2>&1 &
    app=$!
    canvas=""
    for _ in $(seq 150); do
        canvas=$(window_named "キャンバス")
        [[ -n "$canvas" ]] && break
        kill -0 "$app" 2>/dev/null || fail "the editor ended before its canvas window showed"
        sleep 0.2
    done
    [[ -n "$canvas" ]] || fail "no canvas window"
    tree=$(window_named "ツリービュー")
    [[ -n "$tree" ]] || fail "no tree window"
    sleep 1
}

expect_running() {
    kill -0 "$app" 2>/dev/null || fail "the editor died"
}
