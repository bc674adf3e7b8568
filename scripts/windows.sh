#!/usr/bin/env bash
# Builds the plug-in, Tork_Logging.dll and the tests for 32-bit Windows with mingw-w64 (the
# windows preset, into build-windows/) and runs the tests under Wine, which needs no display.
# Without Wine it still builds the DLLs and checks their export tables, which needs only
# objdump. When the packages cannot be installed it says so in its last line and exits 75, so
# that scripts/test.sh can tell a Windows run that could not start from one that failed.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
not_run=75
if ! scripts/deps.sh "${WINDOWS_BUILD_PACKAGES[@]}"; then
  echo "Windows tests NOT RUN: the mingw-w64 cross compiler could not be installed" >&2
  exit $not_run
fi
if ! scripts/deps.sh "${WINE_PACKAGES[@]}"; then
  # A folder of its own: where test programs were built, ctest would look for their tests
  # through Wine.
  cmake --preset windows -B build-windows-dlls >/dev/null
  cmake --build build-windows-dlls --target checked_dlls
  ctest --test-dir build-windows-dlls -R '^exports\.' --output-on-failure
  echo "Windows tests NOT RUN: Wine (${WINE_PACKAGES[*]}) could not be installed;" \
    "the DLLs were built and their export tables checked" >&2
  exit $not_run
fi
cmake --preset windows >/dev/null
cmake --build --preset windows
# The Wine server that the tests start would outlive them by a minute.
trap 'WINEPREFIX="$PWD/build-windows/wine-prefix" wineserver -k >/dev/null 2>&1 || true' EXIT
# One server and a finished prefix before tests start in parallel: tests that race to start
# them have crashed under Wine now and then. A test that still crashes once gets one rerun.
cmake/wine-run.sh "$PWD/build-windows/wine-prefix" cmd /c exit 0
ctest --preset windows -j"$(nproc)" --repeat until-pass:2
