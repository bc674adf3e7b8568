#!/usr/bin/env bash
# How soon VLC's subtitle decoder gets the first cue of the benchmarks' 200,000-line MicroDVD
# file (bench/polish-sub.awk, as bench/peers.sh writes it), counted from the moment the film
# beside it is set playing: through the Tork module, then through VLC's own reader, by
# turns. The film starts at the first cue's time (4 s), so the figure is the opening of the
# film and of the subtitle file, not a wait for the cue. A benchmark, not a test: CI does not
# run it. Usage: bench/vlc-first-cue.sh [RUNS] [LINES]   (9 runs of 200000 lines by default)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-9}
lines=${2:-200000}
source scripts/packages.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}" libgtest-dev libgmock-dev "${VLC_PACKAGES[@]}"
cmake --preset vlc >/dev/null
cmake --build --preset vlc --target vlc_play torkmicrodvd_plugin torkcuerecorder_plugin >&2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
LC_ALL=C awk -v lines="$lines" -f bench/polish-sub.awk >"$work/film.sub"
ffmpeg -nostdin -v error -f lavfi -i testsrc=size=160x90:rate=5 -t 10 -c:v mpeg4 \
  "$work/film.mp4"
echo "$work/film.sub: $lines lines, $(stat -c %s "$work/film.sub") bytes"

# first_cue PLUGIN_PATH READER: the milliseconds from playing to the first cue, after checking
# that READER read the file and handed out its first cue, at 4 s.
first_cue() {
  rm -f "$work/cues.txt"
  local out
  out=$(VLC_PLUGIN_PATH=$1 build-vlc/bin/vlc_play --start 4000 --stop-at 4500 \
    --vlc "--tork-cue-log=$work/cues.txt" "$work/film.mp4" 2>/dev/null)
  if ! grep -qx "demux $2" <<<"$out" || ! grep -q '^cue 4000 ' "$work/cues.txt"; then
    echo "vlc-first-cue.sh: $2 did not hand out the first cue:" >&2
    echo "$out" >&2
    exit 1
  fi
  awk -v play="$(sed -n 's/^play //p' <<<"$out")" \
    '$1 == "cue" { printf "%.1f\n", ($4 - play) / 1e6; exit }' "$work/cues.txt"
}

module=$PWD/build-vlc/lib/vlc:$PWD/build-vlc/lib/vlc-testing
own=$PWD/build-vlc/lib/vlc-testing
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
: >"$work/tork.txt"
: >"$work/own.txt"
first_cue "$module" torkmicrodvd >/dev/null  # warm the caches once for each
first_cue "$own" subtitle >/dev/null
for ((run = 0; run < runs; ++run)); do
  first_cue "$module" torkmicrodvd >>"$work/tork.txt"
  first_cue "$own" subtitle >>"$work/own.txt"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

# median FILE: the median, the least and the most of its numbers.
median() {
  sort -n "$1" | awk '{ v[NR] = $1 } END {
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.1f ms (%.1f-%.1f)", m, v[1], v[NR] }'
}
printf '\n| first cue at the subtitle decoder, %s lines, %s runs | from playing |\n|---|---|\n' \
  "$lines" "$runs"
echo "| the Tork module | $(median "$work/tork.txt") |"
echo "| VLC's own reader | $(median "$work/own.txt") |"
