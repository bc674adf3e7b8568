#!/usr/bin/env bash
# How soon playbin hands out the first subtitle of a large MicroDVD file through the Tork
# element and through GStreamer's own parser (subparse), over a test clip. A benchmark, not
# a test: CI does not run it.
# Usage: bench/gst-first-buffer.sh [LINES] [RUNS]   (200000 lines, 5 runs by default)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${TEST_PACKAGES[@]}"
cmake --preset default >/dev/null
cmake --build --preset default --target gst_first_buffer_bench >&2
export GST_PLUGIN_PATH=$PWD/build/lib/gstreamer-1.0
export GST_REGISTRY=$PWD/build/gstreamer-registry.bin
exec build/bin/gst_first_buffer_bench "${1:-200000}" "${2:-5}"
