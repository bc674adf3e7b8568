#!/usr/bin/env bash
# The main job: builds the plug-in and subplay, the command-line host that loads it as a
# player does, and converts the sample MicroDVD file (timed in frames) to SubRip through it.
# It builds into build-program/, so that it leaves the tests' build/ as it was.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}"
cmake --preset program >/dev/null
cmake --build --preset program >&2  # progress on standard error; the SubRip alone on output
exec build-program/bin/subplay --format srt examples/lighthouse.sub
