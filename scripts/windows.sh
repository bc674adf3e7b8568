#!/usr/bin/env bash
# Builds the plug-in, Tork_Logging.dll and the tests for Windows with mingw-w64 and runs the
# tests under Wine, which needs no display. 32-bit (the windows preset, into build-windows/)
# when Wine's 32-bit half installs and runs. It needs the mirror's i386 package lists and a
# machine that runs 32-bit programs; without either, the 32-bit DLLs are still built and
# their export tables checked (into build-windows-dlls/), and the same tests are built for
# 64-bit Windows (the windows64 preset, into build-windows64/) and run under 64-bit Wine,
# which needs no i386 packages. Only when no Wine can run them are the tests not run: then
# it says why in its result and exits 75, so that scripts/test.sh can tell a Windows run
# that could not start from one that failed.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/part.sh
source scripts/packages.sh

# Builds PRESET and runs its tests in a Wine prefix of word size ARCH; its result is LABEL and
# the counts.
run_tests() {
  local preset=$1 arch=$2 label=$3
  local build=$PWD/build-${preset} log status=0
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  # The Wine server that the tests start would outlive them by a minute.
  trap "cmake/wine-run.sh $arch '$build/wine-prefix' -k >/dev/null 2>&1 || true" EXIT
  # One server and a finished prefix before tests start in parallel: tests that race to start
  # them have crashed under Wine now and then. A test that still crashes once gets one rerun.
  cmake/wine-run.sh "$arch" "$build/wine-prefix" cmd /c exit 0
  log=$(mktemp)
  ctest --preset "$preset" -j"$(nproc)" --repeat until-pass:2 2>&1 | tee "$log" || status=$?
  part_result "$label: $(ctest_counts "$log")${4:-}"
  rm -f "$log"
  return $status
}

# The 32-bit DLLs alone and their export tables, in a folder of their own: where test
# programs were built, ctest would look for their tests through Wine.
check_32bit_dlls() {
  cmake --preset windows -B build-windows-dlls >/dev/null
  cmake --build build-windows-dlls --target checked_dlls
  ctest --test-dir build-windows-dlls -R '^exports\.' --output-on-failure
}

if ! scripts/deps.sh "${WINDOWS_BUILD_PACKAGES[@]}"; then
  part_result "NOT RUN: the mingw-w64 cross compiler could not be installed"
  exit $PART_NOT_RUN
fi
# Some machines run no 32-bit program at all (a kernel without its 32-bit layer): Wine's
# 32-bit half installs there, then fails to start.
if scripts/deps.sh "${WINE_PACKAGES[@]}"; then
  if cmake/wine-run.sh win32 "$PWD/build-windows/wine-prefix" cmd /c exit 0 >/dev/null 2>&1; then
    run_tests windows win32 "32-bit under Wine"
    exit
  fi
  cmake/wine-run.sh win32 "$PWD/build-windows/wine-prefix" -k >/dev/null 2>&1 || true
  why="32-bit Wine is installed but runs no program on this machine"
else
  why="${WINE_PACKAGES[*]} could not be installed"
fi
echo "$why: the tests run 64-bit instead" >&2
check_32bit_dlls
if scripts/deps.sh "${WINE64_PACKAGES[@]}"; then
  run_tests windows64 win64 "64-bit under Wine ($why)" \
    "; the 32-bit DLLs built and their export tables checked"
  exit
fi
part_result "NOT RUN: $why, nor could ${WINE64_PACKAGES[*]};" \
  "the 32-bit DLLs were built and their export tables checked"
exit $PART_NOT_RUN
