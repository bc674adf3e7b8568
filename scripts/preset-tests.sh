#!/usr/bin/env bash
# Builds one CMake preset and runs its tests: preset-tests.sh PRESET [CTEST ARGUMENTS...]
# Its result, for scripts/test.sh's summary, is ctest's count: "N passed, N failed".
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/part.sh
source scripts/packages.sh
preset=$1
shift
scripts/deps.sh "${TEST_PACKAGES[@]}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
ctest --preset "$preset" -j"$(nproc)" "$@" 2>&1 | tee "$log" || status=$?
part_result "$(ctest_counts "$log")"
exit $status
