#!/usr/bin/env bash
# Builds Planeto and its tests, then runs the whole suite under a virtual X server.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${PLANETO_BUILD_DIR:-$top/build}
"$top/scripts/setup.sh"
cd "$build_dir"
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --output-on-failure --timeout 600 -j"${PLANETO_JOBS:-$(nproc)}" "$@"
