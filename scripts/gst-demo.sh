#!/usr/bin/env bash
# The GStreamer element at work: builds it, then draws the subtitle due at 13.5 s of the
# Polish windows-1250 example over a test picture with textoverlay and writes that frame
# as a PNG, checked to be one of the size asked for.
# Usage: scripts/gst-demo.sh [OUTPUT.png]   (build-program/gstreamer-frame.png by default)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}" pkgconf "${GSTREAMER_PACKAGES[@]}"
# The main job's preset, into build-program/, with the element added; tests and benchmarks
# are not needed.
build=build-program
cmake --preset program -DTORK_BUILD_GSTREAMER=ON >/dev/null
cmake --build --preset program --target gsttorkmicrodvd >&2
output=${1:-$build/gstreamer-frame.png}
mkdir -p "$(dirname "$output")"
width=640
height=360

# The element is found through GST_PLUGIN_PATH; a registry of the build's own leaves the
# user's alone.
export GST_PLUGIN_PATH=$PWD/$build/lib/gstreamer-1.0
export GST_REGISTRY=$PWD/$build/gstreamer-registry.bin
# One frame, stamped 13.5 s: textoverlay waits for the cue that covers it.
gst-launch-1.0 -q \
  filesrc location=examples/latarnia-pl-1250.sub ! typefind ! torkmicrodvdparse ! overlay.text_sink \
  videotestsrc pattern=smpte num-buffers=1 timestamp-offset=13500000000 \
  ! "video/x-raw,width=$width,height=$height,framerate=25/1" \
  ! textoverlay name=overlay font-desc="Sans 20" shaded-background=true \
  ! videoconvert ! pngenc ! filesink location="$output"

# A PNG starts with its signature and then its header chunk, which holds the size.
signature=$(od -An -tx1 -N16 "$output" | tr -d ' \n')
read -r png_width png_height < <(od -An -tu4 --endian=big -j16 -N8 "$output")
if [[ "$signature" != 89504e470d0a1a0a0000000d49484452 || "$png_width" != "$width" ||
  "$png_height" != "$height" ]]; then
  echo "gst-demo.sh: $output is not a ${width}x$height PNG" >&2
  exit 1
fi
echo "$output"
