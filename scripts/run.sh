#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor on the drawing
# given (examples/sample.dof when none is). Without a display it says so and
# renders the drawing to a PNG beside the build instead.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
drawing=${1:-"$root/examples/sample.dof"}
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  picture="$root/build/$(basename "${drawing%.*}").png"
  echo "No display is available to show the editor; rendering $drawing to $picture instead."
  exec "$root/build/src/app/quillmark" --convert "$drawing" "$picture"
fi
exec "$root/build/src/app/quillmark" "$drawing"
