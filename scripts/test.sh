#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build,
# the Debian package built, installed, checked and removed again, the same
# tests under the address and undefined-behaviour sanitizers, the model and
# io tests under valgrind, and a short run of every fuzz target.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure --parallel "$(nproc)" --timeout 300)
"$root/scripts/package.sh" "$root/build"
"$root/scripts/sanitize.sh"
"$root/scripts/fuzz.sh" "${QUILLMARK_FUZZ_SECONDS:-30}"
