#!/usr/bin/env bash
# The Debian packages as a user gets them: makes both from the tests' build (build/, the
# default preset), installs them with apt-get, uses them as a user would (not root, with no
# environment of ours) and purges them, checking that no file of theirs is left behind.
# apt-get needs root: elsewhere the part is not run (exit 75). The packages are purged on
# every way out, so that no later test meets an element installed system-wide.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/part.sh
source scripts/packages.sh
if [[ $(id -u) -ne 0 ]]; then
  part_result "NOT RUN: installing packages takes root"
  exit $PART_NOT_RUN
fi
scripts/deps.sh "${TEST_PACKAGES[@]}" "${PACKAGE_CHECK_PACKAGES[@]}"
packages=()  # the names of those cpack made: two, three with the VLC module
apt_options=(-y -qq -o DPkg::Lock::Timeout=600)

purge() {
  DEBIAN_FRONTEND=noninteractive apt-get purge "${apt_options[@]}" "${packages[@]}" >/dev/null
}
installed() {
  [[ ${#packages[@]} -gt 0 ]] &&
    dpkg-query -W -f='${Status}\n' "${packages[@]}" 2>/dev/null | grep -q "install ok installed"
}
# What a package may leave: files and folders under these, less caches and logs.
file_list() {
  find /usr /etc /opt -xdev 2>/dev/null | sort
}

cmake --preset default >/dev/null
cmake --build --preset default
work=$(mktemp -d)
chmod 755 "$work"  # apt reads the packages as its own user
home=$work/home
trap 'installed && purge; rm -rf "$work"' EXIT
cpack --config build/CPackConfig.cmake -B "$work/packages" >/dev/null
mapfile -t debs < <(ls "$work"/packages/*.deb)
for deb in "${debs[@]}"; do packages+=("$(dpkg-deb -f "$deb" Package)"); done
[[ ${#debs[@]} -ge 2 ]] || { part_result "cpack made ${#debs[@]} packages, not 2 or more"; exit 1; }

# Left by an earlier run that was stopped: the list before must hold nothing of ours.
installed && purge
file_list >"$work/before"
DEBIAN_FRONTEND=noninteractive apt-get install "${apt_options[@]}" "${debs[@]}" >/dev/null

# A user's folder with the samples and the example host; the user is nobody.
mkdir -p "$home"
cp examples/lighthouse.sub tests/install/lighthouse.out "$home/"
cp -r examples/host "$home/host"
chown -R nobody:nogroup "$home"
as_user() {
  (cd "$home" && runuser -u nobody -- env -i HOME="$home" PATH=/usr/local/bin:/usr/bin:/bin \
    LANG=C.UTF-8 "$@")
}

subplay_converts() {
  [[ "$(as_user sh -c 'command -v subplay')" == /usr/bin/subplay ]] &&
    as_user subplay --format srt lighthouse.sub >"$work/lighthouse.srt" &&
    scripts/readme-examples.sh --matches "build-program/bin/subplay --format srt examples/lighthouse.sub" \
      "$work/lighthouse.srt"
}
manual_opens() {
  as_user man -P cat subplay 2>/dev/null | grep -q '^OPTIONS'
}
element_found() {
  local expected found
  expected=$(realpath "$(pkg-config --variable=pluginsdir gstreamer-1.0)/libgsttorkmicrodvd.so")
  as_user gst-inspect-1.0 torkmicrodvdparse >"$work/inspect" 2>&1 &&
    found=$(sed -n 's/^ *Filename  *//p' "$work/inspect") &&
    [[ "$(realpath "$found")" == "$expected" ]] &&
    dpkg-query -S "$expected" | grep -q '^tork-microdvd:' ||
    { head -n 20 "$work/inspect" >&2; false; }
}
# playbin with the sample as suburi: its cues come out of the text sink, through our element.
# playbin plays subtitles in real time, so the sample goes at ten times its rate (4.8 s).
playbin_plays() {
  sed '1s/.*/{1}{1}250/' "$home/lighthouse.sub" >"$home/quick.sub"
  as_user gst-launch-1.0 -q videotestsrc num-buffers=50 ! video/x-raw,width=64,height=48 \
    ! theoraenc ! oggmux ! filesink location=film.ogv &&
    as_user gst-launch-1.0 -v playbin uri="file://$home/film.ogv" suburi="file://$home/quick.sub" \
      video-sink="fakesink sync=false" audio-sink="fakesink sync=false" \
      text-sink="fdsink fd=3 sync=false" 3>"$work/cues" >"$work/playbin" 2>&1 &&
    grep -q ':torkmicrodvdparse[0-9]*[.:]' "$work/playbin" &&
    grep -q 'The lamp went out at a quarter past nine.' "$work/cues" &&
    grep -q 'Under the bread.' "$work/cues"
}
host_builds_with_cmake() {
  as_user cmake -S host -B build-package -G Ninja >/dev/null &&
    as_user cmake --build build-package >/dev/null &&
    as_user build-package/print_entries lighthouse.sub 25 | cmp - "$home/lighthouse.out"
}
host_builds_with_pkg_config() {
  as_user sh -c 'c++ host/print_entries.cpp \
      -DPLUGIN_PATH="\"$(pkg-config --variable=plugindir tork-microdvd)/libtork_microdvd.so\"" \
      $(pkg-config --cflags --libs tork-microdvd) -o print_entries' &&
    as_user ./print_entries lighthouse.sub 25 | cmp - "$home/lighthouse.out"
}
# Every file and folder the packages brought goes with them, and nothing they made stays.
purge_leaves_nothing() {
  local owned=() leftover=() path
  mapfile -t owned < <(dpkg-query -L "${packages[@]}")
  purge
  file_list >"$work/after"
  while read -r path; do
    dpkg-query -S "$path" >/dev/null 2>&1 || leftover+=("$path")  # another package's is not ours
  done < <(comm -13 "$work/before" "$work/after")
  for path in "${owned[@]}"; do
    [[ -e "$path" ]] && ! grep -qxF "$path" "$work/before" && leftover+=("$path")
  done
  if [[ ${#leftover[@]} -gt 0 ]]; then
    printf 'left behind: %s\n' "${leftover[@]}" | sort -u >&2
    return 1
  fi
  for path in "${packages[@]}"; do
    if compgen -G "/var/lib/dpkg/info/$path[.:]*" >/dev/null; then
      echo "dpkg still holds files of $path" >&2
      return 1
    fi
  done
}

step "subplay from PATH" -- subplay_converts
step "man subplay" -- manual_opens
step "gst-inspect-1.0" -- element_found
step "playbin" -- playbin_plays
step "host with find_package" -- host_builds_with_cmake
step "host with pkg-config" -- host_builds_with_pkg_config
step "purge" -- purge_leaves_nothing
if [[ ${#steps_failed[@]} -gt 0 ]]; then
  part_result "failed: $(IFS=,; echo "${steps_failed[*]}")" \
    "($((steps_count - ${#steps_failed[@]})) of $steps_count passed)"
  exit 1
fi
part_result "${packages[*]} installed with apt-get, used as a user and purged:" \
  "$steps_count of $steps_count passed (subplay, man, gst-inspect, playbin, host with find_package and" \
  "with pkg-config, nothing left)"
