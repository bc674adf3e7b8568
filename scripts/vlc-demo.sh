#!/usr/bin/env bash
# The VLC module at work: builds it, makes a test film with the Polish windows-1250 example
# beside it as film.sub, plays the film in VLC (through libvlc: Debian's vlc refuses to run as
# root) and writes the frame at 13.5 s, with its subtitle, as a PNG.
# Usage: scripts/vlc-demo.sh [OUTPUT.png]   (build/vlc-frame.png by default)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}" "${VLC_PACKAGES[@]}"
# The main job's preset with the module added; tests and benchmarks are not needed.
cmake --preset program -DTORK_BUILD_VLC=ON >/dev/null
cmake --build --preset program --target torkmicrodvd_plugin vlc_play >&2
output=$(realpath -m "${1:-build/vlc-frame.png}")
mkdir -p "$(dirname "$output")"
rm -f "$output"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ffmpeg -nostdin -v error -f lavfi -i smptebars=size=640x360:rate=25 -t 16 -c:v mpeg4 -q:v 2 \
  "$work/film.mp4"
cp examples/latarnia-pl-1250.sub "$work/film.sub"
# VLC finds the module through VLC_PLUGIN_PATH, and film.sub beside the film by its name.
played=$(VLC_PLUGIN_PATH=$PWD/build-program/lib/vlc build-program/bin/vlc_play --start 12000 \
  --snapshot "13500:$output" "$work/film.mp4" 2>/dev/null)
if ! grep -qx 'demux torkmicrodvd' <<<"$played" || [[ ! -s $output ]]; then
  echo "vlc-demo.sh: VLC did not draw the subtitle through the Tork module:" >&2
  echo "$played" >&2
  exit 1
fi
echo "$output"
