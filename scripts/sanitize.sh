#!/usr/bin/env bash
# Builds into build-asan/ with AddressSanitizer and UndefinedBehaviorSanitizer
# (no benchmarks) and runs every test there; then runs the model and io tests
# of build/ under valgrind's memcheck. Any sanitizer report or memcheck error
# fails the run.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-asan"

"$root/scripts/build.sh" "$build" -DQUILLMARK_SANITIZE=ON -DQUILLMARK_BUILD_BENCH=OFF
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan-suppressions.txt"
# The random input test of the whole editor runs a minute here.
(cd "$build" && QUILLMARK_RANDOM_INPUT_SECONDS=60 ctest --output-on-failure --parallel "$(nproc)" --timeout 600)

for layer in model io; do
  valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
    "$root/build/tests/$layer/${layer}_tests" --gtest_brief=1
done
