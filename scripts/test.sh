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
# With PLANETO_TRACE_DIR set, run.sh (first), the native and the Windows build and
# suite run under strace, for scripts/check_setup.sh --from-trace (the sanitizer suite
# does not: the leak checker cannot run under a tracer).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${PLANETO_BUILD_DIR:-$top/build}
sanitize=${PLANETO_SANITIZE_SUITE:-0}
native=1 windows=0
ctest_args=()
traced() {
  local name=$1
  shift
  if [ -n "${PLANETO_TRACE_DIR:-}" ]; then
    strace -f --seccomp-bpf -z -qq -s 4096 -e trace=%file -o "$PLANETO_TRACE_DIR/trace.$name" "$@"
  else
    "$@"
  fi
}
for a in "$@"; do
  case $a in
    --all) sanitize=1 windows=1 ;;
    --windows) native=0 windows=1 ;;
    -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) ctest_args+=("$a") ;;
  esac
done

# The tracer itself comes from the package list.
if [ -n "${PLANETO_TRACE_DIR:-}" ]; then
  if [ $windows = 1 ]; then "$top/scripts/setup.sh" --packages-only --windows
  else "$top/scripts/setup.sh" --packages-only; fi
fi

# The suite runs on its own X server; the Wayland tests start their own compositor.  A
# desktop's compositor must not take the windows of the X11 tests.
unset WAYLAND_DISPLAY

if [ $native = 1 ]; then
  # Traced, run.sh goes first, as on a fresh machine (the program alone, built and run
  # headless), so that the set-up guard checks the run list against what it reads; the
  # suite's build then adds the rest to the same folder.
  if [ -n "${PLANETO_TRACE_DIR:-}" ]; then
    (cd "$PLANETO_TRACE_DIR" && PLANETO_SCREENSHOT=$PLANETO_TRACE_DIR/run.png \
       traced run env -u DISPLAY "$top/scripts/run.sh" --frames=10 >/dev/null 2>run.log) ||
      { tail -30 "$PLANETO_TRACE_DIR/run.log" >&2; echo "test: run.sh failed" >&2; exit 1; }
  fi
  traced native-build "$top/scripts/setup.sh"
  cd "$build_dir"
  traced native-tests xvfb-run -a -s "-screen 0 1280x1024x24" \
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
  traced windows-build "$top/scripts/setup.sh" --windows
  cd "${PLANETO_WIN_BUILD_DIR:-$top/build-win}"
  traced windows-tests xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --output-on-failure --timeout 600 -j"${PLANETO_JOBS:-$(nproc)}" "${ctest_args[@]}"
fi
