#!/usr/bin/env bash
# Builds Planeto and its tests, then runs the whole suite under a virtual X server.
#
#   scripts/test.sh [--all] [CTEST-OPTION]...
#
# --all (or PLANETO_SANITIZE_SUITE=1) then builds the suite again with
# AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ (or
# $PLANETO_ASAN_BUILD_DIR) and runs it there too.  Other options go to ctest.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${PLANETO_BUILD_DIR:-$top/build}
sanitize=${PLANETO_SANITIZE_SUITE:-0}
ctest_args=()
for a in "$@"; do
  case $a in
    --all) sanitize=1 ;;
    -h|--help) sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) ctest_args+=("$a") ;;
  esac
done

"$top/scripts/setup.sh"
cd "$build_dir"
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --output-on-failure --timeout 600 -j"${PLANETO_JOBS:-$(nproc)}" "${ctest_args[@]}"

if [ "$sanitize" != 0 ]; then
  asan_dir=${PLANETO_ASAN_BUILD_DIR:-$top/build-asan}
  cmake -S "$top" -B "$asan_dir" -G Ninja -DPLANETO_SANITIZE=ON >/dev/null
  cmake --build "$asan_dir" -- -j"${PLANETO_JOBS:-$(nproc)}"
  cd "$asan_dir"
  UBSAN_OPTIONS=print_stacktrace=1 xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --output-on-failure --timeout 600 -j"${PLANETO_JOBS:-$(nproc)}" "${ctest_args[@]}"
fi
