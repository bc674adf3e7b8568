#!/usr/bin/env bash
# Builds the fuzz targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# each for its share of SECONDS (default 60 in all). Fails on any finding: a crash, a
# sanitizer report, a broken property, a leak or a hang; the input is kept under
# build-fuzz/findings/. Inputs that reach new code are kept in build-fuzz/corpus/, so
# each run goes on from the last. Usage: fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
total=${1:-60}
if [[ ! "$total" =~ ^[0-9]+$ || "$total" -eq 0 ]]; then
  echo "usage: $0 [SECONDS]" >&2
  exit 2
fi
source scripts/part.sh
source scripts/packages.sh
scripts/deps.sh "${FUZZ_PACKAGES[@]}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

targets=(open line utf file_url scan)
each=$(( (total + ${#targets[@]} - 1) / ${#targets[@]} ))
build=build-fuzz
failed=()
runs_of=()
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  log=$build/fuzz-$target.log
  mkdir -p "$corpus" "$findings"
  echo "== fuzz $target for ${each}s ==" >&2
  # New inputs go to the first folder; the committed seeds are only read.
  if "$build/bin/${target}_fuzzer" -max_total_time="$each" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$findings/" "$corpus" "fuzz/corpus/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$target: ${runs:-?} runs, nothing found" >&2
    runs_of+=("$target ${each} s ${runs:-?} runs")
  else
    tail -n 40 "$log" >&2
    echo "$target: FOUND something; the input is in $findings/, the log in $log" >&2
    failed+=("$target")
    runs_of+=("$target FOUND")
  fi
done
counts=$(IFS=,; echo "${runs_of[*]}" | sed 's/,/, /g')
if [[ ${#failed[@]} -gt 0 ]]; then
  part_result "found faults in ${failed[*]}: $counts"
  exit 1
fi
part_result "nothing found: $counts"
