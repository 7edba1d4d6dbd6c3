#!/usr/bin/env bash
# Picture check: renders a fixed set of frames with this tree's build and with a
# reference build, and compares each pair.  Per frame it prints the largest difference
# of one colour channel, the share of pixels that differ by more than 8 levels in some
# channel, and the PSNR over all channels; a frame passes with a PSNR of at least 40 dB
# and under 0.5 % of its pixels off.  Exits 0 when every frame passes, 1 when one does
# not, 2 on a usage or build error.
#
# The reference is a commit (by default d19969b, the picture before the speed work),
# built in a temporary folder with the release settings; its program is kept in
# build-ref/COMMIT/ so that the next check need not build it again.  A folder holding a
# build (with app/planeto inside) serves as well.  The candidate is build-release/ (the
# build tools/bench.sh uses), built when needed.
#
# The frames: the built-in scene with several seeds and steps, the Sun in view and out
# of it, the Moon behind the Earth, in front of it and in front of the Sun, the Sun
# half behind the Earth's rim (the light moved by LIGHT_1_POS_Z, so that the glow on the
# rim is drawn), on both platforms, at 800 x 600 and 1280 x 1024.
#
# Usage: tools/compare_frames.sh [--reference COMMIT|DIR] [--build-dir DIR] [--no-build]
#                                [--windows [DIR] | --directx [DIR]] [--out DIR]
#                                [--min-psnr DB] [--max-share PERCENT]
#   --out DIR      keep the frames there (ref/ and new/), to look at; else they are deleted
#   --windows DIR  the candidate is the Windows program of the cross build in DIR
#                  (default build-win/, built when needed), run under Wine; the
#                  reference is then this tree's Linux build
#   --directx DIR  as --windows, but the Windows program draws the OpenGL frames on its
#                  DirectX 8.1 platform (the software frames are left out): Direct3D 8
#                  against this tree's Linux OpenGL, same seed, step and size
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
screen="-screen 0 1280x1024x24"

# name platform width height seed step frames [--set=... ...]
frames=(
  "earth-seed7        opengl   800  600  7 1    60"
  "sun-moon-seed8     opengl   800  600  8 1    2"
  "sun-seed6          opengl   1280 1024 6 1    2"
  "moon-behind-seed8  opengl   800  600  8 500  50"
  "moon-front-seed8   opengl   1280 1024 8 2000 2"
  "moon-on-sun-seed8  opengl   800  600  8 100  222"
  "sun-on-rim-seed8   opengl   1280 1024 8 100  222 --set=engine.LIGHT.LIGHT_1_POS_Z=-1150"
  "earth-seed3        opengl   1280 1024 3 30   40"
  "earth-seed7        software 800  600  7 1    60"
  "sun-moon-seed8     software 1280 1024 8 1    2"
  "moon-front-seed8   software 800  600  8 2000 2"
  "sun-on-rim-seed8   software 800  600  8 100  222 --set=engine.LIGHT.LIGHT_1_POS_Z=-1150"
)

# Keeps the frames of one platform only; the outer mode passes the choice on to the
# inner one through COMPARE_FRAMES_ONLY.
only_platform() {
  local kept=() f platform
  for f in "${frames[@]}"; do
    read -r _ platform _ <<<"$f"
    if [ "$platform" = "$1" ]; then kept+=("$f"); fi
  done
  frames=("${kept[@]}")
}
if [ -n "${COMPARE_FRAMES_ONLY:-}" ]; then only_platform "$COMPARE_FRAMES_ONLY"; fi

# Inner mode, under the virtual X server: render every frame with one program, on the
# frame's platform or on the one given after the folder (the file keeps the frame's name).
if [ "${1:-}" = "--render" ]; then
  planeto=$2 dir=$3 drawn_on=${4:-}
  mkdir -p "$dir"
  cd "$dir"   # the program writes its log into the current folder
  for f in "${frames[@]}"; do
    read -r name platform w h seed step count extra <<<"$f"
    # shellcheck disable=SC2086  # the extra settings are separate words
    "$planeto" --platform="${drawn_on:-$platform}" --set=engine.WORLD.ASK_ME_ON_START=0 \
      --set=engine.WORLD.SLEEP_TIMER=0 --set=engine.WORLD.WIDTH="$w" --set=engine.WORLD.HEIGHT="$h" \
      --seed="$seed" --step="$step" --frames="$count" ${extra:-} \
      --screenshot="$dir/$name-$platform-${w}x$h.png" >/dev/null 2>&1 ||
      echo "compare_frames.sh: $planeto failed on $name (${drawn_on:-$platform} ${w}x$h)" >&2
  done
  exit 0
fi

reference=d19969b
build_dir=$top/build-release
windows_dir=
directx=
out=
do_build=1
min_psnr=40
max_share=0.5
while [ $# -gt 0 ]; do
  case $1 in
    --reference) reference=$2; shift 2 ;;
    --reference=*) reference=${1#*=}; shift ;;
    --build-dir) build_dir=$2; shift 2 ;;
    --build-dir=*) build_dir=${1#*=}; shift ;;
    --out) out=$2; shift 2 ;;
    --out=*) out=${1#*=}; shift ;;
    --min-psnr) min_psnr=$2; shift 2 ;;
    --min-psnr=*) min_psnr=${1#*=}; shift ;;
    --max-share) max_share=$2; shift 2 ;;
    --max-share=*) max_share=${1#*=}; shift ;;
    --no-build) do_build=0; shift ;;
    --windows=*|--directx=*) [ "${1%%=*}" = --directx ] && directx=directx; windows_dir=${1#*=}; shift ;;
    --windows|--directx)
      [ "$1" = --directx ] && directx=directx
      windows_dir=$top/build-win
      if [ $# -gt 1 ] && [ "${2#--}" = "$2" ]; then windows_dir=$2; shift; fi
      shift ;;
    -h|--help) sed -n '2,30p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "compare_frames.sh: unknown option '$1'" >&2; exit 2 ;;
  esac
done
command -v xvfb-run >/dev/null || { echo "compare_frames.sh: 'xvfb-run' is missing (scripts/setup.sh installs it)" >&2; exit 2; }
jobs=${PLANETO_JOBS:-$(nproc)}

configure_release() {   # source folder, build folder
  # Older trees look FLTK up with CMake's module, which would read Debian's FLTK CMake
  # file and want the fluid designer that libfltk1.3-dev does not bring: given the
  # header folder and told to skip fluid, the module finds the library by itself.
  local fltk_include
  fltk_include=$(dirname "$(dirname "$(find /usr/include /usr/local/include -maxdepth 2 -name Fl.H -path '*/FL/*' 2>/dev/null | head -n 1)")")
  cmake -S "$1" -B "$2" -G Ninja --no-warn-unused-cli -DCMAKE_BUILD_TYPE=Release -DPLANETO_BUILD_TESTS=OFF \
    -DFLTK_SKIP_FLUID=ON -DFLTK_INCLUDE_DIR="$fltk_include" >/dev/null
}

# The candidate and the comparison program.
if [ "$do_build" = 1 ]; then
  [ -f "$build_dir/build.ninja" ] || configure_release "$top" "$build_dir"
  cmake --build "$build_dir" --target planeto compare_frames -- -j"$jobs" >/dev/null
fi
planeto_new=$build_dir/app/planeto
compare=$build_dir/tools/compare_frames
for f in "$planeto_new" "$compare"; do
  [ -x "$f" ] || { echo "compare_frames.sh: no program at $f" >&2; exit 2; }
done

# The Windows program is compared with this tree's Linux program.
if [ -n "$windows_dir" ]; then
  mkdir -p "$windows_dir"
  windows_dir=$(cd "$windows_dir" && pwd)
  if [ "$do_build" = 1 ]; then
    [ -f "$windows_dir/build.ninja" ] || PLANETO_WIN_BUILD_DIR=$windows_dir "$top/scripts/setup.sh" --windows >/dev/null
    cmake --build "$windows_dir" --target planeto -- -j"$jobs" >/dev/null
  fi
  [ -f "$windows_dir/app/planeto.exe" ] || { echo "compare_frames.sh: no program at $windows_dir/app/planeto.exe" >&2; exit 2; }
  # A window's frame comes on top of its client area on Windows: a screen the size of
  # the largest frame would clip the window.
  screen="-screen 0 1600x1280x24"
  build_dir=
  if [ -n "$directx" ]; then
    export COMPARE_FRAMES_ONLY=opengl
    only_platform opengl
  fi
fi

# The reference program.
if [ -z "$build_dir" ]; then
  planeto_ref=$planeto_new
  planeto_new=$(mktemp)
  trap 'rm -f "$planeto_new"' EXIT
  printf '#!/bin/sh\nexec "%s" "%s" "%s" "$@"\n' "$top/scripts/wine_run.sh" "$windows_dir/wine" \
    "$windows_dir/app/planeto.exe" >"$planeto_new"
  chmod +x "$planeto_new"
  label="Linux"
  [ -n "$directx" ] && label="Linux OpenGL"
elif [ -d "$reference" ]; then
  planeto_ref=$(cd "$reference" && pwd)/app/planeto
  label=$reference
else
  commit=$(git -C "$top" rev-parse --verify --quiet "$reference^{commit}") ||
    { echo "compare_frames.sh: '$reference' is neither a build folder nor a commit" >&2; exit 2; }
  label=$(git -C "$top" rev-parse --short "$commit")
  planeto_ref=$top/build-ref/$commit/planeto
  if [ ! -x "$planeto_ref" ]; then
    echo "compare_frames.sh: building $label into a temporary folder (once)" >&2
    tmp=$(mktemp -d)
    git -C "$top" archive "$commit" | tar -x -C "$tmp" --one-top-level=src
    if ! configure_release "$tmp/src" "$tmp/build" ||
       ! cmake --build "$tmp/build" --target planeto -- -j"$jobs" >"$tmp/build.log" 2>&1; then
      tail -n 20 "$tmp/build.log" >&2 || true
      rm -rf "$tmp"
      echo "compare_frames.sh: $label does not build" >&2
      exit 2
    fi
    mkdir -p "$(dirname "$planeto_ref")"
    cp "$tmp/build/app/planeto" "$planeto_ref"
    rm -rf "$tmp"
  fi
fi
[ -x "$planeto_ref" ] || { echo "compare_frames.sh: no program at $planeto_ref" >&2; exit 2; }

if [ -n "$out" ]; then
  mkdir -p "$out"
  work=$(cd "$out" && pwd)
else
  work=$(mktemp -d)
  trap 'rm -rf "$work" ${windows_dir:+"$planeto_new"}' EXIT
fi
echo "compare_frames.sh: rendering ${#frames[@]} frames with each build (load average $(cut -d' ' -f1-3 /proc/loadavg))" >&2
xvfb-run -a -s "$screen" "$0" --render "$planeto_ref" "$work/ref"
xvfb-run -a -s "$screen" "$0" --render "$planeto_new" "$work/new" $directx

printf '%-40s %5s %9s %9s  %s\n' "frame (against $label)" "max" "over8 %" "PSNR dB" "verdict"
failed=0
for f in "${frames[@]}"; do
  read -r name platform w h _ <<<"$f"
  png=$name-$platform-${w}x$h.png
  line=$("$compare" "$work/ref/$png" "$work/new/$png" "$min_psnr" "$max_share" 2>&1) || failed=$((failed + 1))
  shown=${png%.png}
  [ -n "$directx" ] && shown="$name-directx-${w}x$h"
  if [[ $line =~ max=([0-9]+)\ over8=([0-9.]+)\ psnr=([0-9.inf]+)\ (ok|OFF) ]]; then
    printf '%-40s %5s %9s %9s  %s\n' "$shown" "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}" \
      "${BASH_REMATCH[3]}" "${BASH_REMATCH[4]}"
  else
    printf '%-40s %s\n' "$shown" "$line"
  fi
done
total=${#frames[@]}
echo "$((total - failed)) of $total frames within tolerance (PSNR >= $min_psnr dB, under $max_share % of pixels off by more than 8 levels)"
[ "$failed" = 0 ]
