#!/usr/bin/env bash
# Installs the Debian packages a job needs: as root with apt-get, otherwise it names
# the missing ones and stops. Safe to run again. Usage: deps.sh PACKAGE[:ARCHITECTURE]...
# Exits non-zero when a package could not be installed.
set -euo pipefail
missing=()
architectures=()
native=$(dpkg --print-architecture)
foreign=$(dpkg --print-foreign-architectures)
for package in "$@"; do
  # One line per architecture installed: libicu72 beside its i386 twin that Wine brings.
  dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -qx "install ok installed" &&
    continue
  missing+=("$package")
  # A package of another architecture (wine32:i386) needs that architecture in dpkg.
  if [[ "$package" == *:* ]]; then
    architecture=${package##*:}
    if [[ "$architecture" != "$native" ]] && ! grep -qx "$architecture" <<<"$foreign"; then
      architectures+=("$architecture")
    fi
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0
mapfile -t architectures < <(printf '%s\n' "${architectures[@]}" | sort -u | sed '/^$/d')
if [[ $(id -u) -ne 0 ]]; then
  echo "Missing Debian packages: ${missing[*]}" >&2
  for architecture in "${architectures[@]}"; do
    echo "Add their architecture with: sudo dpkg --add-architecture $architecture" >&2
  done
  echo "Install them with: sudo apt-get update; sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
for architecture in "${architectures[@]}"; do
  echo "Adding the $architecture architecture" >&2
  dpkg --add-architecture "$architecture"
done
echo "Installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
# Another apt run on the machine holds its lock for a while: wait for it rather than fail.
wait_lock=(-o DPkg::Lock::Timeout=600)
# A mirror that is out of step for one index (say i386 security updates) makes the whole
# update fail, though the other lists were refreshed: the install decides whether that matters.
if ! apt-get update -qq "${wait_lock[@]}"; then
  echo "deps.sh: warning: apt-get update failed for some package lists; installing anyway" >&2
fi
if ! apt-get install -y -qq "${wait_lock[@]}" --no-install-recommends "${missing[@]}" >/dev/null
then
  echo "deps.sh: could not install ${missing[*]}" >&2
  exit 1
fi
