#!/usr/bin/env bash
# Builds Planeto and its tests, then runs the whole suite under a virtual X server.
#
#   scripts/test.sh [--all | --windows] [CTEST-OPTION]...
#
# --all then builds the suite again with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ (or $PLANETO_ASAN_BUILD_DIR) and runs it
# there, and then cross-builds the Windows program and its suite into build-win/ (or
# $PLANETO_WIN_BUILD_DIR) and runs that under Wine.  --windows runs the Windows suite
# alone.  PLANETO_SANITIZE_SUITE=1 adds the sanitizer suite.  Other options go to ctest.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${PLANETO_BUILD_DIR:-$top/build}
sanitize=${PLANETO_SANITIZE_SUITE:-0}
native=1 windows=0
ctest_args=()
for a in "$@"; do
  case $a in
    --all) sanitize=1 windows=1 ;;
    --windows) native=0 windows=1 ;;
    -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) ctest_args+=("$a") ;;
  esac
done

if [ $native = 1 ]; then
  "$top/scripts/setup.sh"
  cd "$build_dir"
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --output-on-failure --timeout 600 -j"${PLANETO_JOBS:-$(nproc)}" "${ctest_args[@]}"
fi

if [ $native = 1 ] && [ "$sanitize" != 0 ]; then
  asan_dir=${PLANETO_ASAN_BUILD_DIR:-$top/build-asan}
  cmake -S "$top" -B "$asan_dir" -G Ninja -DPLANETO_SANITIZE=ON >/dev/null
  cmake --build "$asan_dir" -- -j"${PLANETO_JOBS:-$(nproc)}"
  cd "$asan_dir"
  UBSAN_OPTIONS=print_stacktrace=1 xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --output-on-failure --timeout 600 -j"${PLANETO_JOBS:-$(nproc)}" "${ctest_args[@]}"
fi

if [ $windows = 1 ]; then
  # Every test program runs under Wine (CMake's cross-compiling emulator), in a Wine
  # prefix inside the build folder.
  "$top/scripts/setup.sh" --windows
  cd "${PLANETO_WIN_BUILD_DIR:-$top/build-win}"
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --output-on-failure --timeout 600 -j"${PLANETO_JOBS:-$(nproc)}" "${ctest_args[@]}"
fi
