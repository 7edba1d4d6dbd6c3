#!/usr/bin/env bash
# The screen saver on two monitors under Wine: a smaller primary one inside a larger
# second one (Xvfb's Xinerama puts both at the origin; RandR is off, so that Wine
# counts the monitors from Xinerama), the desktop painted magenta.  While
# planeto.scr /s runs no magenta pixel shows, and any key ends it cleanly.  Wine keeps
# the monitors it found in its prefix, so the run has a prefix of its own.
#
#   saver_monitors_test.sh PREFIX PLANETO.SCR CAPTURE_WINDOW
set -euo pipefail
if [ -z "${PLANETO_TWO_MONITORS:-}" ]; then
  export PLANETO_TWO_MONITORS=1
  exec xvfb-run -a -s "-noreset +xinerama -extension RANDR -screen 0 640x480x24 -screen 1 800x600x24" "$0" "$@"
fi
prefix=$1 scr=$2 capture=$3
wine_run=$(cd "$(dirname "$0")/../../../scripts" && pwd)/wine_run.sh
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d /tmp/planeto-monitors-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

xsetroot -solid '#ff00ff'
[ "$("$capture" root '#ff00ff')" = $((800 * 600)) ] || fail "the desktop cannot be read"
"$wine_run" "$prefix" "$scr" /s --platform=software --set=engine.WORLD.ASK_ME_ON_START=0 2>err.txt & pid=$!
timeout 90 xdotool search --sync --onlyvisible --name '^ZephyroSDK' >/dev/null || fail "no window: $(cat err.txt)"
sleep 1.5
left=$("$capture" root '#ff00ff')
xdotool key a
status=0
timeout 30 tail --pid=$pid -f /dev/null || { kill $pid; fail "a key did not end the screen saver"; }
wait $pid || status=$?
[ "$left" = 0 ] || fail "$left desktop pixels showing"
[ $status = 0 ] || fail "exit status $status: $(cat err.txt)"
grep -q '^# ENDED\.' Planeto.log || fail "no end in the log"
echo "ok: two monitors covered"
