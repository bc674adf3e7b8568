#!/usr/bin/env bash
# Builds everything and runs every test: plain, then AddressSanitizer +
# UndefinedBehaviorSanitizer, then the threaded tests under ThreadSanitizer, then each
# fuzz target for a short while, then the 32-bit Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${TEST_PACKAGES[@]}"
for preset in default asan tsan; do
  echo "== $preset build ==" >&2
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j"$(nproc)"
done
echo "== fuzz ==" >&2
scripts/fuzz.sh
echo "== windows ==" >&2
scripts/windows.sh
