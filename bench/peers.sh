#!/usr/bin/env bash
# subplay beside two other MicroDVD readers, ffmpeg and GStreamer, on one generated file:
# checks that each reads every cue, times the three with hyperfine, and prints how many
# times faster subplay is and its peak memory. A benchmark, not a test: CI does not run it.
# subplay runs twice: as users run it (lenient reading and charset detection) and --strict.
# Usage: bench/peers.sh [LINES]   (200000 by default; RUNS=N sets hyperfine's runs, 10;
# SUBPLAY=PATH times another build of subplay instead of building this one)
set -euo pipefail
cd "$(dirname "$0")/.."
lines=${1:-200000}
runs=${RUNS:-10}
source scripts/packages.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}" ffmpeg gstreamer1.0-tools gstreamer1.0-plugins-base \
  hyperfine time
subplay=${SUBPLAY:-}
if [[ -z $subplay ]]; then
  cmake --preset default >/dev/null
  cmake --build --preset default --target subplay >/dev/null
  subplay=$PWD/build/bin/subplay
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file=$work/big.sub

# The benchmarks' Polish file; see bench/polish-sub.awk.
LC_ALL=C awk -v lines="$lines" -f bench/polish-sub.awk >"$file"
bytes=$(stat -c %s "$file")
echo "$file: $lines lines, $bytes bytes"

subplay_command="$subplay --format srt $file"
strict_command="$subplay --strict --format srt $file"
ffmpeg_command="ffmpeg -nostdin -v error -i $file -f srt -y /dev/null"
gstreamer_command="gst-launch-1.0 -q filesrc location=$file ! subparse ! fakesink sync=false"

# Every reader must hand out every entry, or the times compare different work.
expected=$((lines - 1))
check() {
  local name=$1 count=$2
  echo "$name: $count cues"
  if [[ $count -ne $expected ]]; then
    echo "peers.sh: $name read $count cues, not $expected" >&2
    exit 1
  fi
}
check subplay "$($subplay_command | grep -c -- ' --> ')"
check "subplay --strict" "$($strict_command | grep -c -- ' --> ')"
check ffmpeg "$(ffmpeg -nostdin -v error -i "$file" -f srt - | grep -c -- ' --> ')"
check GStreamer "$(gst-launch-1.0 filesrc location="$file" ! subparse ! \
  fakesink sync=false silent=false -v 2>&1 | grep -c 'last-message = chain')"

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
hyperfine --warmup 2 --runs "$runs" --style basic --export-csv "$work/times.csv" \
  -n subplay "$subplay_command >/dev/null" -n strict "$strict_command >/dev/null" \
  -n ffmpeg "$ffmpeg_command" \
  -n GStreamer "$gstreamer_command"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

# Peak resident memory of a single conversion, in kB.
peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }

median() { awk -F, -v name="$1" '$1 == name { print $4 }' "$work/times.csv"; }
awk -v subplay="$(median subplay)" -v strict="$(median strict)" -v ffmpeg="$(median ffmpeg)" \
  -v gstreamer="$(median GStreamer)" -v peak="$(peak $subplay_command)" \
  -v strictPeak="$(peak $strict_command)" -v bytes="$bytes" '
function row(name, time, kb) {
    printf "| %s | %.0f ms, %.1f MB peak RSS (%.2f x the file) | %.1f x | %.1f x |\n", name,
           time * 1000, kb * 1024 / 1e6, kb * 1024 / bytes, ffmpeg / time, gstreamer / time
}
BEGIN {
    printf "\n| command | median | ffmpeg / it | GStreamer / it |\n|---|---|---|---|\n"
    row("subplay --format srt", subplay, peak)
    row("subplay --strict --format srt", strict, strictPeak)
    printf "| ffmpeg -f srt | %.0f ms | | |\n", ffmpeg * 1000
    printf "| gst-launch-1.0 subparse | %.0f ms | | |\n", gstreamer * 1000
}'
