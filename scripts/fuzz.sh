#!/usr/bin/env bash
# Builds the libFuzzer programs of fuzz/ with clang into build-fuzz/ and runs
# each target for the given seconds (30 by default), two at a time. Seeds come
# from fuzz/corpus and fuzz/regressions; new inputs go to
# build-fuzz/corpus/<target>, crashes, hangs (over 1 s) and out-of-memory
# inputs (over 2 GB) to build-fuzz/findings/<target>, emptied as the target
# starts. Fails when any target found one; keep such an input in
# fuzz/regressions/<target> once fixed.
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-fuzz"
seconds=${1:-30}
shift || true
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(document document_render extension_object shape_template settings
                                      picture_bmp picture_emf picture_wmf)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DQUILLMARK_FUZZ=ON \
  -DQUILLMARK_BUILD_TESTS=OFF -DQUILLMARK_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]/#/fuzz_}"

run_target() {
  local target=$1 seconds=$2 root=$3 build=$4
  local seeds
  seeds=$(case "$target" in document_render) echo document ;; *) echo "$target" ;; esac)
  # Findings of an earlier run are not this run's.
  rm -rf "$build/findings/$target"
  mkdir -p "$build/corpus/$target" "$build/findings/$target" "$build/logs"
  local dirs=("$build/corpus/$target" "$root/fuzz/corpus/$seeds")
  [[ -d "$root/fuzz/regressions/$target" ]] && dirs+=("$root/fuzz/regressions/$target")
  # The readers write their input to a file: keep those in memory when possible.
  [[ -w /dev/shm ]] && export TMPDIR=/dev/shm
  export LSAN_OPTIONS="suppressions=$root/fuzz/lsan-suppressions.txt"
  "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/findings/$target/" "${dirs[@]}" \
    >"$build/logs/$target.log" 2>&1 || true
}
export -f run_target
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run_target "$@"' _ {} "$seconds" "$root" "$build"

failed=0
printf '%-18s %12s %8s %8s  %s\n' target executions cov ft findings
for target in "${targets[@]}"; do
  log="$build/logs/$target.log"
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || echo "?")
  last=$(grep -E '^#[0-9]+' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' <<<"$last" | grep -o '[0-9]*' || echo "?")
  ft=$(grep -o 'ft: [0-9]*' <<<"$last" | grep -o '[0-9]*' || echo "?")
  found=$(find "$build/findings/$target" -type f | wc -l)
  printf '%-18s %12s %8s %8s  %s\n' "$target" "$runs" "$cov" "$ft" "$found"
  if [[ $found -gt 0 ]] || ! grep -q 'Done [0-9]* runs' "$log"; then
    failed=1
    echo "  see $log"
  fi
done
exit $failed
