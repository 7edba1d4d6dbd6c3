#!/usr/bin/env bash
# Leak check: a 100-frame run on each platform under Valgrind's memcheck, under a virtual
# X server.  Fails (exit 1) on any definite or indirect leak, any invalid read or write
# or other memcheck error that tools/valgrind.supp does not put down to a system library,
# and on a program log that reports "detected memory leaks" or does not end with
# "# ENDED.".  Slow (minutes for OpenGL on llvmpipe): not part of the test suite.
#
# Usage: scripts/leaks.sh [--frames N] [--platforms "opengl software"] [--no-build]
# Logs go to $PLANETO_LEAKS_DIR (default build/leaks).
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${PLANETO_BUILD_DIR:-$top/build}
out_dir=${PLANETO_LEAKS_DIR:-$build_dir/leaks}
frames=100
platforms="opengl software"
do_build=1

while [ $# -gt 0 ]; do
  case $1 in
    --frames) frames=$2; shift 2 ;;
    --frames=*) frames=${1#*=}; shift ;;
    --platforms) platforms=$2; shift 2 ;;
    --platforms=*) platforms=${1#*=}; shift ;;
    --no-build) do_build=0; shift ;;
    -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "leaks.sh: unknown option '$1'" >&2; exit 2 ;;
  esac
done

if ! command -v valgrind >/dev/null; then
  echo "leaks.sh: installing valgrind" >&2
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends valgrind >/dev/null
fi
[ "$do_build" = 1 ] && "$top/scripts/setup.sh" >&2
planeto=$build_dir/app/planeto
[ -x "$planeto" ] || { echo "leaks.sh: no program at $planeto" >&2; exit 1; }

status=0
for platform in $platforms; do
  dir=$out_dir/$platform
  rm -rf "$dir"
  mkdir -p "$dir"
  echo "leaks: $platform, $frames frames under valgrind ..." >&2
  rc=0
  (cd "$dir" && xvfb-run -a -s "-screen 0 1280x1024x24" \
     valgrind --leak-check=full --errors-for-leak-kinds=definite,indirect \
       --suppressions="$top/tools/valgrind.supp" --error-exitcode=99 --num-callers=40 \
       --log-file=valgrind.txt \
       "$planeto" --platform="$platform" --set=engine.WORLD.ASK_ME_ON_START=0 --seed=7 \
       --step=1 --frames="$frames" >stdout.txt 2>stderr.txt) || rc=$?
  vg=$dir/valgrind.txt
  log=$dir/Planeto.log
  why=""
  [ "$rc" = 0 ] || why="$why exit-status=$rc"
  grep -Eq 'definitely lost: [1-9]|indirectly lost: [1-9]' "$vg" && why="$why leaks"
  grep -Eq 'Invalid (read|write|free)|uninitialised|Mismatched free' "$vg" && why="$why memory-errors"
  grep -q 'ERROR SUMMARY: 0 errors' "$vg" || why="$why errors"
  grep -q 'detected memory leaks' "$log" 2>/dev/null && why="$why log-reports-leaks"
  [ "$(tail -n1 "$log" 2>/dev/null | tr -d '\r')" = "# ENDED." ] || why="$why log-not-ended"
  summary=$(grep -E '(definitely|indirectly|possibly) lost: |ERROR SUMMARY' "$vg" \
            | sed 's/^==[0-9]*== *//' | tr -s ' ' | paste -sd ';' -)
  if [ -z "$why" ]; then
    echo "leaks $platform: PASS $summary"
  else
    echo "leaks $platform: FAIL$why ($summary; see $vg)"
    status=1
  fi
done
exit $status
