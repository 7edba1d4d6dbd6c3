#!/usr/bin/env bash
# Shared by run.sh and test.sh: installs the Debian packages that are missing, then
# configures and builds into build/ (or $PLANETO_BUILD_DIR).  Quick when nothing is
# missing and nothing changed.
#
#   scripts/setup.sh                    install what building and running the suite
#                                       need, configure, build everything
#   scripts/setup.sh --run              only what building and running the program
#                                       need, and build the program alone (run.sh)
#   scripts/setup.sh --windows          the same for the Windows cross build in
#                                       build-win/ (or $PLANETO_WIN_BUILD_DIR)
#   scripts/setup.sh --list-packages [--run | --windows]
#                                       print the packages that step needs
#   scripts/setup.sh --packages-only [--run | --windows]
#                                       install what is missing, build nothing
#
# Every package a step uses must be in its lists: a package that is only on the
# machine by chance hides a missing step until a fresh machine fails.
# scripts/check_setup.sh proves it by tracing a build.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${PLANETO_BUILD_DIR:-$top/build}

# Building and running the program (run.sh): the compiler and the libraries, the
# virtual X server a headless run draws on, the dialog's font.
run_packages=(
  cmake ninja-build g++ pkg-config
  libpng-dev zlib1g-dev liberfa-dev
  libx11-dev libxext-dev libxinerama-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libfltk1.3-dev fonts-dejavu-core
  xvfb xauth
)

# The Wayland system layer: the client library with its EGL window and cursor helpers
# (libwayland-dev), the protocol compiler (libwayland-bin), xdg-shell
# (wayland-protocols), the keyboard (libxkbcommon-dev) and EGL (libegl-dev).
run_packages+=(
  libwayland-dev libwayland-bin wayland-protocols libxkbcommon-dev libegl-dev
)

# The suite (test.sh) besides: GoogleTest, what the tests drive X with and measure
# by, the tools that check the desktop files and the Debian package, and the cross
# compiler that compiles our headers beside <windows.h>.
test_packages=(
  libgtest-dev libgmock-dev
  mesa-utils xdotool x11-utils x11-xserver-utils
  time strace
  dpkg-dev lintian libxml2-utils desktop-file-utils
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
)

# What the Wayland tests run: a headless compositor with its screenshots and its
# keyboard, and one without the layer shell.
test_packages+=(
  sway grim wtype weston
)

# The Windows build on top of the suite's: the cross compiler, zlib for it, Wine to
# run its tests, and what unpacks Debian's libpng source for the cross compiler.  The
# native packages stay, for the virtual X server and the Linux frames the Windows ones
# are compared with.
windows_packages=(
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  libz-mingw-w64-dev
  wine wine64 dpkg-dev
)

list=0 windows=0 build=1 run_only=0
for a in "$@"; do
  case $a in
    --list-packages) list=1 ;;
    --packages-only) build=0 ;;
    --windows) windows=1 ;;
    --run) run_only=1 ;;
    -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "setup: unknown option '$a' (try --help)" >&2; exit 2 ;;
  esac
done
[ $run_only = 1 ] && [ $windows = 1 ] && { echo "setup: --run and --windows exclude each other" >&2; exit 2; }
packages=("${run_packages[@]}")
[ $run_only = 1 ] || packages+=("${test_packages[@]}")
[ $windows = 1 ] && packages+=("${windows_packages[@]}")
if [ $list = 1 ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
[ $build = 1 ] || exit 0

if [ $windows = 1 ]; then
  win_dir=${PLANETO_WIN_BUILD_DIR:-$top/build-win}
  "$top/scripts/windows_deps.sh" "$win_dir/deps"
  if [ ! -f "$win_dir/build.ninja" ]; then
    cmake -S "$top" -B "$win_dir" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
      -DPLANETO_WIN_DEPS="$win_dir/deps/prefix" ${PLANETO_CMAKE_ARGS:-} >/dev/null
  fi
  exec cmake --build "$win_dir" -- -j"${PLANETO_JOBS:-$(nproc)}"
fi

# The program alone needs no GoogleTest: a folder first made for it is made without
# the suite, which the suite's set-up then switches on.
if [ ! -f "$build_dir/build.ninja" ]; then
  tests=ON
  [ $run_only = 1 ] && tests=OFF
  cmake -S "$top" -B "$build_dir" -G Ninja -DPLANETO_BUILD_TESTS=$tests ${PLANETO_CMAKE_ARGS:-} >/dev/null
elif [ $run_only = 0 ] && grep -q '^PLANETO_BUILD_TESTS:BOOL=OFF$' "$build_dir/CMakeCache.txt"; then
  cmake "$build_dir" -DPLANETO_BUILD_TESTS=ON >/dev/null
fi
if [ $run_only = 1 ]; then
  cmake --build "$build_dir" --target planeto -- -j"${PLANETO_JOBS:-$(nproc)}"
else
  cmake --build "$build_dir" -- -j"${PLANETO_JOBS:-$(nproc)}"
fi
