#!/bin/sh
# Runs a 32-bit Windows program under Wine, headless: wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# The prefix is made on first use. The Wine server and the prefix's own processes are started
# with their output detached: a server started by the program itself would hold the caller's
# pipes open until it exits, and ctest would wait for it seconds per test.
prefix=$1
shift
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="  # no offers to install Mono or Gecko
unset DISPLAY
mkdir -p "$WINEPREFIX"
wineserver -p60 </dev/null >/dev/null 2>&1 || true  # gone a minute after the last program
wine wineboot </dev/null >/dev/null 2>&1
exec wine "$@"
