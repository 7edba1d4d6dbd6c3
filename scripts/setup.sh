#!/usr/bin/env bash
# Shared by run.sh and test.sh: installs the Debian packages that are missing, then
# configures and builds into build/ (or $PLANETO_BUILD_DIR).  Quick when nothing is
# missing and nothing changed.
#
#   scripts/setup.sh                    install what is missing, configure, build
#   scripts/setup.sh --windows          the same for the Windows cross build in
#                                       build-win/ (or $PLANETO_WIN_BUILD_DIR)
#   scripts/setup.sh --list-packages [--windows]
#                                       print the packages that build needs
#   scripts/setup.sh --packages-only [--windows]
#                                       install what is missing, build nothing
#
# Every package the build or the suite uses must be in this list: a package that is
# only on the machine by chance hides a missing step until a fresh machine fails.
# scripts/check_setup.sh proves it by tracing a build.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${PLANETO_BUILD_DIR:-$top/build}

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev
  libpng-dev zlib1g-dev
  libx11-dev libxext-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri mesa-utils
  libfltk1.3-dev fonts-dejavu-core
  xvfb xauth xdotool x11-utils
  time strace
  dpkg-dev lintian libxml2-utils desktop-file-utils
  # The suite compiles our headers beside <windows.h> with the cross compiler.
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
)

# The Wayland system layer: the client library with its EGL window and cursor helpers
# (libwayland-dev), the protocol compiler (libwayland-bin), xdg-shell
# (wayland-protocols), the keyboard (libxkbcommon-dev) and EGL (libegl-dev).
wayland_packages=(
  libwayland-dev libwayland-bin wayland-protocols libxkbcommon-dev libegl-dev
)

# What the Wayland tests run: a headless compositor with its screenshots and its
# keyboard, and one without the layer shell.
wayland_test_packages=(
  sway grim wtype weston
)
packages+=("${wayland_packages[@]}" "${wayland_test_packages[@]}")

# The Windows build (MinGW-w64 itself is in the list above): zlib for it, Wine to run
# its tests, and what unpacks Debian's libpng source for the cross compiler.  The
# native packages stay, for the virtual X server and the Linux frames the Windows ones
# are compared with.
windows_packages=(
  libz-mingw-w64-dev
  wine wine64 dpkg-dev
)

list=0 windows=0 build=1
for a in "$@"; do
  case $a in
    --list-packages) list=1 ;;
    --packages-only) build=0 ;;
    --windows) windows=1 ;;
    -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "setup: unknown option '$a' (try --help)" >&2; exit 2 ;;
  esac
done
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

if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S "$top" -B "$build_dir" -G Ninja ${PLANETO_CMAKE_ARGS:-} >/dev/null
fi
cmake --build "$build_dir" -- -j"${PLANETO_JOBS:-$(nproc)}"
