#!/bin/sh
# Runs a Windows program under Wine, headless: wine-run.sh ARCH PREFIX PROGRAM [ARGUMENTS...]
# ARCH is win32 or win64, the word size of the prefix made at PREFIX on first use; PROGRAM
# -k stops the prefix's server instead. The Wine server and the prefix's own processes are
# started with their output detached: a server started by the program itself would hold the
# caller's pipes open until it exits, and ctest would wait for it seconds per test.
arch=$1
prefix=$2
shift 2
export WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="  # no offers to install Mono or Gecko
unset DISPLAY
wine=wine
server=wineserver
# Debian's wine command prefers the 32-bit loader when both halves are installed; a 64-bit
# prefix wants the 64-bit loader and server.
if [ "$arch" = win64 ]; then
  for candidate in /usr/lib/wine/wine64 "$(command -v wine64)"; do
    if [ -x "$candidate" ]; then wine=$candidate; export WINELOADER="$candidate"; break; fi
  done
  for candidate in /usr/lib/wine/wineserver64 "$(command -v wineserver64)"; do
    if [ -x "$candidate" ]; then server=$candidate; break; fi
  done
fi
if [ "${1:-}" = -k ]; then
  exec "$server" -k
fi
mkdir -p "$WINEPREFIX"
"$server" -p60 </dev/null >/dev/null 2>&1 || true  # gone a minute after the last program
"$wine" wineboot </dev/null >/dev/null 2>&1
exec "$wine" "$@"
