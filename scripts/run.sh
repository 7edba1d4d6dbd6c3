#!/usr/bin/env bash
# Builds Planeto if needed and starts it with the options given.  Without a display it
# runs under a virtual X server for a short fixed run and prints a screenshot's path.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/setup.sh" --run >&2
bin=${PLANETO_BUILD_DIR:-$top/build}/app/planeto

if [ -n "${DISPLAY:-}" ]; then
  exec "$bin" "$@"
fi

for a in "$@"; do
  case "$a" in -h|--help|--version) exec "$bin" "$@" ;; esac
done
shot=${PLANETO_SCREENSHOT:-$top/build/planeto-screenshot.png}
echo "run: no DISPLAY, running 120 frames under xvfb-run" >&2
xvfb-run -a -s "-screen 0 1280x1024x24" "$bin" \
  --set=engine.WORLD.ASK_ME_ON_START=0 --frames=120 --step=1 --screenshot="$shot" "$@"
echo "$shot"
