#!/usr/bin/env bash
# Shared by run.sh and test.sh: installs the Debian packages that are missing, then
# configures and builds into build/ (or $PLANETO_BUILD_DIR).  Quick when nothing is
# missing and nothing changed.
#
#   scripts/setup.sh                    install what is missing, configure, build
#   scripts/setup.sh --list-packages    print the packages the build and tests need
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
)

if [ "${1:-}" = --list-packages ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S "$top" -B "$build_dir" -G Ninja ${PLANETO_CMAKE_ARGS:-} >/dev/null
fi
cmake --build "$build_dir" -- -j"${PLANETO_JOBS:-$(nproc)}"
