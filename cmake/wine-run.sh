#!/bin/sh
# Runs a Windows program under Wine in a private prefix, with the caller's
# locale (the program shows the same texts under any system code page). Used
# as CMAKE_CROSSCOMPILING_EMULATOR and by the scripts.
#   wine-run.sh --warm      create the prefix and start the server, then exit
#   wine-run.sh PROG.exe …  run the program
: "${WINEPREFIX:=${TMPDIR:-/tmp}/varnholt-wineprefix-$(id -u)}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
mkdir -p "$WINEPREFIX"
# One server kept 60 s past the last program, and Wine's own services started
# with stdio on /dev/null: started by a caller's wine instead, they would
# inherit its output pipe and keep the caller waiting. 'wineserver -p60'
# exits 2 at once when a server is already running.
if wineserver -p60 </dev/null >/dev/null 2>&1; then
  wine cmd /c exit </dev/null >/dev/null 2>&1   # the first run creates the prefix
fi
[ "$1" = "--warm" ] && exit 0
exec wine "$@"
