#!/usr/bin/env bash
# The VLC module's checks with a real VLC: installs VLC's packages, builds the module with
# its tests in the tests' build (build/, the default preset, which finds VLC once its
# packages are in) and runs them, draws the demo frame, and, as
# root on a machine without the project's packages, installs the module's Debian package
# with the plug-in's, plays through them, and purges both. Ends with one line,
# "VLC: N passed, N failed", and a non-zero status when a check failed; or, when VLC cannot
# be installed, "VLC tests NOT RUN: <why>" and status 75.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/part.sh
source scripts/packages.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}" libgtest-dev libgmock-dev dpkg-dev file || exit 1
if ! scripts/deps.sh "${VLC_PACKAGES[@]}"; then
  part_result "VLC tests NOT RUN: VLC's packages (${VLC_PACKAGES[*]}) could not be installed"
  exit $PART_NOT_RUN
fi

passed=0
failed=0
check() {  # check NAME COMMAND...: one check of the count
  if "${@:2}"; then
    passed=$((passed + 1))
  else
    echo "vlc-test.sh: $1 failed" >&2
    failed=$((failed + 1))
  fi
}

# The tests: each of ctest's counts.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if cmake --preset default >/dev/null &&
  cmake --build --preset default --target vlc_support_tests vlc_playback_tests \
    torkcuerecorder_plugin >&2; then
  ctest --preset default -L vlc -j"$(nproc)" 2>&1 | tee "$log" >&2
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" || true)
  if [[ -n $summary ]]; then
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  else
    echo "vlc-test.sh: ctest gave no summary" >&2
    failed=$((failed + 1))
  fi
else
  echo "vlc-test.sh: the build failed" >&2
  failed=$((failed + 1))
fi

check "the demo" scripts/vlc-demo.sh build/vlc-frame.png

installed() {
  [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null) == "install ok installed" ]]
}

# The packages as a user installs them: the module where VLC looks, VLC's plug-in cache
# remade on install and on purge, and nothing left behind.
package_check() {
  local plugins cache packages
  plugins=$(pkg-config --variable=pluginsdir vlc-plugin)
  cache=$plugins/plugins.dat
  # The tests' build, whole, with the module: cpack installs every target.
  local debs
  debs=$(mktemp -d)
  chmod 755 "$debs"  # apt reads the packages as its own user
  cmake --build --preset default >&2 &&
    cpack --config build/CPackConfig.cmake -G DEB -B "$debs" >&2 || { rm -rf "$debs"; return 1; }
  packages=("$debs"/tork-microdvd_*.deb "$debs"/tork-microdvd-vlc_*.deb)
  [[ -f ${packages[0]} && -f ${packages[1]} ]] ||
    { echo "no packages made" >&2; rm -rf "$debs"; return 1; }
  local files
  files=$(for deb in "${packages[@]}"; do dpkg-deb --fsys-tarfile "$deb" | tar -t; done |
    sed -e 's|^\./|/|' -e 's|/$||' | sort -u)
  local work status=0
  work=$(mktemp -d)
  ffmpeg -nostdin -v error -f lavfi -i testsrc=size=160x90:rate=5 -t 20 -c:v mpeg4 \
    "$work/film.mp4" && cp examples/latarnia-pl-1250.sub "$work/film.sub" || status=1
  # Another apt run holds its lock for a while: wait for it rather than fail.
  local apt=(apt-get -y -qq -o DPkg::Lock::Timeout=600)
  local ours=0
  if [[ $status -eq 0 ]]; then
    if ! "${apt[@]}" install "${packages[@]}" >/dev/null; then
      echo "the packages could not be installed" >&2
      rm -rf "$work" "$debs"
      return 1
    fi
    ours=1
    [[ -f $plugins/demux/libtorkmicrodvd_plugin.so ]] || { echo "not in $plugins" >&2; status=1; }
    grep -q torkmicrodvd "$cache" || { echo "VLC's cache lacks the module" >&2; status=1; }
    # VLC's own plug-in folder only: the installed module must find the installed plug-in.
    env -u VLC_PLUGIN_PATH build/bin/vlc_play --rate 8 --stop-at 4000 \
      "$work/film.mp4" 2>/dev/null | grep -qx 'demux torkmicrodvd' ||
      { echo "the installed VLC did not read film.sub through the module" >&2; status=1; }
  fi
  if [[ $ours -eq 1 ]]; then
    "${apt[@]}" purge tork-microdvd-vlc tork-microdvd >/dev/null || status=1
  fi
  rm -rf "$work" "$debs"
  local left
  left=$(while read -r file; do [[ -f $file || -L $file ]] && echo "$file"; done <<<"$files")
  [[ -z $left ]] || { echo "left behind: $left" >&2; status=1; }
  if [[ -f $cache ]] && grep -q torkmicrodvd "$cache"; then
    echo "VLC's cache still names the module" >&2
    status=1
  fi
  return $status
}
if [[ $(id -u) -ne 0 ]]; then
  echo "vlc-test.sh: the package check needs root: not run" >&2
elif installed tork-microdvd || installed tork-microdvd-vlc; then
  echo "vlc-test.sh: the project's packages are installed here: the package check not run" >&2
else
  check "the package check" package_check
fi

part_result "VLC: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
