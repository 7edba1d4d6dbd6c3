#!/usr/bin/env bash
# Benchmarks of the built-in scene under Xvfb (Mesa's llvmpipe where there is no GPU).
# Prints one figure a line, "NAME VALUE UNIT", each the median of --runs runs:
#
#   opengl_fps_800x600        frames per second on the OpenGL platform, start-up left out
#   opengl_fps_800x600_catalogue  the same with the star field of the built-in catalogue
#   software_fps_800x600      the same on the software platform
#   opengl_fps_1280x1024      the same at 1280 x 1024
#   software_fps_1280x1024
#   startup_ms                from the program's start to its first presented frame (OpenGL)
#   peak_rss_mib              the largest resident size of the OpenGL run at 800 x 600
#   cpu_ms_per_frame_default  processor time a frame (all threads, from /proc/PID/stat) with
#                             the built-in settings as they are, the idle sleep included:
#                             what the program costs a laptop's battery as a screen saver
#   cpu_pct_default_800x600   the same as a share of one core: processor time over the time
#                             that passed, in per cent (above 100 when several cores work)
#
# The scene is the one a user sees (fixed --seed, --step=1), with the dialog skipped and,
# for the frame rates, the idle sleep between frames (SLEEP_TIMER, 30 ms in the built-in
# settings) set to 0, so that they measure drawing rather than sleeping.  Each run is long
# enough for about two seconds of frames.  The program reports its first frame and the
# frame rate of the rest through the PLANETO_STATS hook (app/planeto_app.cpp).  Details of
# every run and the machine's load go to standard error.
#
# Usage: tools/bench.sh [--runs N] [--seconds S] [--build-dir DIR] [--no-build] [--only NAME,...]
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=$top/build-release
runs=5
seconds=2
do_build=1
only=""

while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --runs=*) runs=${1#*=}; shift ;;
    --seconds) seconds=$2; shift 2 ;;
    --seconds=*) seconds=${1#*=}; shift ;;
    --build-dir) build_dir=$2; shift 2 ;;
    --build-dir=*) build_dir=${1#*=}; shift ;;
    --no-build) do_build=0; shift ;;
    --only) only=$2; shift 2 ;;
    --only=*) only=${1#*=}; shift ;;
    -h|--help) sed -n '2,25p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench.sh: unknown option '$1'" >&2; exit 2 ;;
  esac
done

for tool in xvfb-run perl; do
  command -v "$tool" >/dev/null || { echo "bench.sh: '$tool' is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
perl -MTime::HiRes -e 1 2>/dev/null || { echo "bench.sh: perl's Time::HiRes is missing" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench.sh: GNU time (/usr/bin/time) is missing (Debian package 'time')" >&2; exit 1; }

if [ "$do_build" = 1 ]; then
  if [ ! -f "$build_dir/build.ninja" ]; then
    cmake -S "$top" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLANETO_BUILD_TESTS=OFF >/dev/null
  fi
  cmake --build "$build_dir" --target planeto >/dev/null
fi
planeto=$build_dir/app/planeto
[ -x "$planeto" ] || { echo "bench.sh: no program at $planeto" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"   # the program writes its log into the current directory

# One run: prints "fps startup_ms peak_kib".  The launcher notes the monotonic clock just
# before it becomes the program (exec keeps the process), which is the program's start.
run_once() {
  local platform=$1 frames=$2 width=$3 height=$4
  shift 4   # the rest: more options for the program
  PLANETO_STATS=1 xvfb-run -a -s "-screen 0 1280x1024x24" \
    /usr/bin/time -f "%M" -o "$work/rss" \
    perl -MTime::HiRes=clock_gettime,CLOCK_MONOTONIC -e '
      open(my $f, ">", shift) or die; printf $f "%.0f\n", clock_gettime(CLOCK_MONOTONIC) * 1e9; close $f;
      exec { $ARGV[0] } @ARGV or die "exec: $!";' "$work/start" \
    "$planeto" --platform="$platform" --set=engine.WORLD.ASK_ME_ON_START=0 \
    --set=engine.WORLD.SLEEP_TIMER=0 --set=engine.WORLD.FRAME_TIMER=0 \
    --set=engine.WORLD.WIDTH="$width" --set=engine.WORLD.HEIGHT="$height" \
    --seed=7 --step=1 --frames="$frames" "$@" >"$work/out" 2>&1 || true
  local stats
  stats=$(grep -o 'planeto-stats:.*' "$work/out" | tail -n 1)
  if [ -z "$stats" ]; then
    echo "bench.sh: the $platform run printed no statistics:" >&2
    tail -n 5 "$work/out" >&2
    return 1
  fi
  local first fps start rss
  first=$(sed -n 's/.*first_frame_ns=\([0-9]*\).*/\1/p' <<<"$stats")
  fps=$(sed -n 's/.* fps=\([0-9.]*\).*/\1/p' <<<"$stats")
  start=$(cat "$work/start")
  rss=$(tail -n 1 "$work/rss")
  awk -v f="$fps" -v a="$start" -v b="$first" -v r="$rss" 'BEGIN { printf "%s %.1f %s\n", f, (b - a) / 1e6, r }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# A short run first tells how many frames make the wanted duration on this machine.
frames_for() {
  local fps
  fps=$(run_once "$1" 30 "$2" "$3" | awk '{ print $1 }')
  awk -v f="$fps" -v s="$seconds" 'BEGIN { n = int(f * s + 1); if (n < 30) n = 30; print n + 1 }'
}

# Processor time (user + system, all threads) of a run of N frames with the built-in
# settings (an 800 x 600 window), in clock ticks, read from /proc/PID/stat once the
# program has ended, and the run's time from start to end in milliseconds.
cpu_ticks_default() {
  local frames=$1
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    start=$(date +%s%N)
    "$1" --platform=opengl --set=engine.WORLD.ASK_ME_ON_START=0 --seed=7 --frames="$2" >/dev/null 2>&1 &
    pid=$! last=0
    while { read -r stat <"/proc/$pid/stat"; } 2>/dev/null; do
      # The state, utime and stime are fields 3, 14 and 15: the 1st, 12th and 13th after
      # the command name (which may hold spaces, and ends at the last parenthesis).  Until
      # it is waited for, the ended program stays a zombie holding its final times.
      read -r -a f <<<"${stat##*) }"
      last=$((f[11] + f[12]))
      [ "${f[0]}" = Z ] && break
      sleep 0.02
    done
    wait "$pid"
    echo "$last $((($(date +%s%N) - start) / 1000000))"' _ "$planeto" "$frames"
}

catalogue=(--set=appli.CONTELLATIONS.CONTELLATIONS_ENABLE=1 --set=appli.CONTELLATIONS.READ_FROM_CATALOG=1)
wanted() { [ -z "$only" ] || [[ ",$only," == *",$1,"* ]]; }
last() { if [ $# -gt 0 ]; then echo "${@: -1}"; else echo -; fi; }

echo "bench.sh: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at start" >&2
gl_frames=$(frames_for opengl 800 600)
sw_frames=0 gl_frames_big=0 sw_frames_big=0
if wanted software_fps_800x600; then sw_frames=$(frames_for software 800 600); fi
if wanted opengl_fps_1280x1024; then gl_frames_big=$(frames_for opengl 1280 1024); fi
if wanted software_fps_1280x1024; then sw_frames_big=$(frames_for software 1280 1024); fi
echo "bench.sh: $gl_frames and $gl_frames_big frames a run on OpenGL, $sw_frames and $sw_frames_big on software, $runs runs each" >&2

gl_fps=() cat_fps=() sw_fps=() gl_fps_big=() sw_fps_big=() startup=() rss=()
for ((i = 1; i <= runs; i++)); do
  read -r f s r < <(run_once opengl "$gl_frames" 800 600)
  gl_fps+=("$f") startup+=("$s") rss+=("$r")
  if wanted opengl_fps_800x600_catalogue; then
    read -r f _ _ < <(run_once opengl "$gl_frames" 800 600 "${catalogue[@]}")
    cat_fps+=("$f")
  fi
  if wanted software_fps_800x600; then
    read -r f _ _ < <(run_once software "$sw_frames" 800 600)
    sw_fps+=("$f")
  fi
  if wanted opengl_fps_1280x1024; then
    read -r f _ _ < <(run_once opengl "$gl_frames_big" 1280 1024)
    gl_fps_big+=("$f")
  fi
  if wanted software_fps_1280x1024; then
    read -r f _ _ < <(run_once software "$sw_frames_big" 1280 1024)
    sw_fps_big+=("$f")
  fi
  echo "bench.sh: run $i: opengl ${gl_fps[-1]} fps, start-up ${startup[-1]} ms, ${rss[-1]} KiB;" \
       "catalogue $(last "${cat_fps[@]}") fps; software $(last "${sw_fps[@]}") fps;" \
       "at 1280 x 1024 opengl $(last "${gl_fps_big[@]}") fps, software $(last "${sw_fps_big[@]}") fps" >&2
done

# Processor time a frame with the built-in settings: the difference between a long and a
# short run, so that start-up and shutdown cancel out.
hz=$(getconf CLK_TCK)
cpu_ms=() cpu_pct=()
if wanted cpu_ms_per_frame_default || wanted cpu_pct_default_800x600; then
  for ((i = 1; i <= runs; i++)); do
    read -r short short_ms < <(cpu_ticks_default 30)
    read -r long long_ms < <(cpu_ticks_default 120)
    cpu_ms+=("$(awk -v a="$short" -v b="$long" -v hz="$hz" 'BEGIN { printf "%.2f", (b - a) * 1000 / hz / 90 }')")
    cpu_pct+=("$(awk -v a="$short" -v b="$long" -v ta="$short_ms" -v tb="$long_ms" -v hz="$hz" \
      'BEGIN { printf "%.1f", (tb > ta ? (b - a) / hz * 100000 / (tb - ta) : 0) }')")
    echo "bench.sh: run $i: built-in settings ${cpu_ms[-1]} ms of processor time a frame, ${cpu_pct[-1]} % of a core" \
         "($short and $long ticks in $short_ms and $long_ms ms for 30 and 120 frames)" >&2
  done
fi
echo "bench.sh: load average $(cut -d' ' -f1-3 /proc/loadavg) at the end" >&2

figure() { [ $# -gt 2 ] && wanted "$1" && printf '%s %s %s\n' "$1" "$(printf '%s\n' "${@:3}" | median)" "$2"; return 0; }
figure opengl_fps_800x600 fps "${gl_fps[@]}"
figure opengl_fps_800x600_catalogue fps "${cat_fps[@]}"
figure software_fps_800x600 fps "${sw_fps[@]}"
figure opengl_fps_1280x1024 fps "${gl_fps_big[@]}"
figure software_fps_1280x1024 fps "${sw_fps_big[@]}"
figure startup_ms ms "${startup[@]}"
wanted peak_rss_mib && printf 'peak_rss_mib %s MiB\n' "$(printf '%s\n' "${rss[@]}" | median | awk '{ printf "%.1f", $1 / 1024 }')"
figure cpu_ms_per_frame_default ms "${cpu_ms[@]}"
figure cpu_pct_default_800x600 % "${cpu_pct[@]}"
exit 0
