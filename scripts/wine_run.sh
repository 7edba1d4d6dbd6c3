#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine: CMake's cross-compiling
# emulator for the Windows suite.
#
#   scripts/wine_run.sh PREFIX PROGRAM [ARGUMENT]...
#
# PREFIX is the Wine prefix (made on first use, inside the build folder, so that runs
# never touch the user's own ~/.wine).  Wine's own chatter is off.
set -euo pipefail
case ${1:-} in
  -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
esac
if [ $# -lt 2 ]; then
  echo "wine_run: usage: wine_run.sh PREFIX PROGRAM [ARGUMENT]... (try --help)" >&2
  exit 2
fi
export WINEPREFIX=$1
shift
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# The first run makes the prefix; tests that start together wait for it.
if [ ! -f "$WINEPREFIX/.planeto-ready" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.planeto-ready" ]; then
      wineboot --init >/dev/null 2>&1 || true
      wineserver -w
      touch "$WINEPREFIX/.planeto-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
