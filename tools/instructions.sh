#!/usr/bin/env bash
# Instructions a frame, counted by valgrind's callgrind (repeatable for the same program
# and inputs, whatever else the machine does), of the built-in scene at 800 x 600 on the
# OpenGL platform with one rasterizer thread (LP_NUM_THREADS=0): the difference between
# a run of 8 frames and one of 3, over 5, so that start-up and shutdown cancel out.
# The shader cache is off, so that both runs compile the same shaders.  Seed 7 keeps the Sun out of view, seed 8 has it in view.  Prints "seed7 N" and
# "seed8 N" (millions a frame) for each program given.
#
# Usage: tools/instructions.sh [PROGRAM...]   (default build-release/app/planeto)
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ $# -gt 0 ] || set -- "$top/build-release/app/planeto"
programs=()
for p in "$@"; do programs+=("$(realpath "$p")"); done
command -v valgrind >/dev/null || { echo "instructions.sh: valgrind is missing" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

count() {
  local program=$1 seed=$2 frames=$3
  LP_NUM_THREADS=0 MESA_SHADER_CACHE_DISABLE=true xvfb-run -a -s "-screen 0 1280x1024x24" \
    valgrind --tool=callgrind --callgrind-out-file="$work/cg.out" "$program" --platform=opengl \
    --set=engine.WORLD.ASK_ME_ON_START=0 --set=engine.WORLD.SLEEP_TIMER=0 --seed="$seed" --step=1 \
    --frames="$frames" >/dev/null 2>&1
  sed -n 's/^summary: //p' "$work/cg.out"
}

for program in "${programs[@]}"; do
  echo "$program"
  for seed in 7 8; do
    a=$(count "$program" "$seed" 3)
    b=$(count "$program" "$seed" 8)
    awk -v s="$seed" -v a="$a" -v b="$b" 'BEGIN { printf "seed%s %.1f M a frame\n", s, (b - a) / 5 / 1e6 }'
  done
done
