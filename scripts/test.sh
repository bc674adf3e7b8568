#!/usr/bin/env bash
# Builds everything and runs every test, part by part: the check that vector code stays in
# scan/, the Linux tests, the Debian packages installed and used, the README's demos, the
# VLC module with a real VLC, the Windows tests under Wine, the tests under AddressSanitizer
# + UndefinedBehaviorSanitizer, the threaded tests under ThreadSanitizer, and each fuzz
# target for a short while. Each part installs only its own packages. A part that fails stops no later part; a part that could not run
# (Windows without Wine, say) is shown as NOT RUN. It ends with one line per part, with its
# time, and `N passed, N failed` (parts), and exits non-zero if any part failed. One more
# part is one more `part` line: scripts/part.sh says how a part reports.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/part.sh
# The installed-tree test checks the Debian packages with lintian when it is there; a
# lintian that cannot be installed leaves only that check out.
scripts/deps.sh lintian || echo "lintian could not be installed: the packages go unchecked" >&2

# What a user gets first, then the other platforms, then the sanitizers: a run cut short by
# TORK_TEST_TIME_LIMIT (scripts/part.sh) loses the last parts.
part "scan seam" -- scripts/scan-check.sh
part "Linux tests" -- scripts/preset-tests.sh default
part "packages" -- scripts/packages-check.sh
part "demos" -- scripts/demos-check.sh
part "VLC" -- scripts/vlc-test.sh
part "Windows" -- scripts/windows.sh
part "ASan+UBSan" -- scripts/preset-tests.sh asan
part "TSan" -- scripts/preset-tests.sh tsan
part "fuzzing" -- scripts/fuzz.sh
summary
