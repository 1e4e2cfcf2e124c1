#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
exec "$root/build/src/app/quillmark" "$@"
