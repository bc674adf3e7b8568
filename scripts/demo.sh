#!/usr/bin/env bash
# The main job: builds the plug-in and the command-line host, then shows what the
# plug-in answers when a player loads it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${TEST_PACKAGES[@]}"
cmake --preset default >/dev/null
cmake --build --preset default --target plugin-info tork_microdvd >/dev/null
exec build/bin/plugin-info
