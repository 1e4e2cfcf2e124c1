#!/usr/bin/env bash
# Builds the editor and saves pictures of its windows, started on the sample
# drawing under a virtual display: shots/ (or the folder given as $1).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$(realpath -m "${1:-$root/shots}")
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x800x24" "$root/build/tools/screenshots" "$root/examples/sample.dof" "$out"
