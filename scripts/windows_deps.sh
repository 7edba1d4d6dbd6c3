#!/usr/bin/env bash
# Builds the libraries the Windows build needs and Debian does not ship for MinGW:
# libpng, from Debian's own source package (the same library and version the Linux
# build uses), with the cross compiler, against MinGW's zlib.
#
#   scripts/windows_deps.sh DIR
#
# DIR/src holds the source package (kept, so it is fetched once), DIR/prefix the
# installed headers and static library.  Quick when DIR/prefix is complete.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
case ${1:-} in
  -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  ''|-*) echo "windows_deps: usage: windows_deps.sh DIR (try --help)" >&2; exit 2 ;;
esac
dir=$1
prefix=$dir/prefix
[ -f "$prefix/lib/libpng16.a" ] && [ -f "$prefix/include/png.h" ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

# apt-get source needs the source lists; Debian's images carry only the binary ones.
if ! apt-cache showsrc libpng1.6 2>/dev/null | grep '^Package: libpng1.6' >/dev/null; then
  echo "windows_deps: enabling Debian's source package lists" >&2
  list=/etc/apt/sources.list.d/planeto-deb-src.sources
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: *deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      "${sudo_cmd[@]}" tee "$list" >/dev/null
  fi
  if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list |
      "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/planeto-deb-src.list >/dev/null
  fi
  "${sudo_cmd[@]}" apt-get update -qq
fi

mkdir -p "$dir/src"
cd "$dir/src"
if ! ls libpng1.6_*.dsc >/dev/null 2>&1; then
  echo "windows_deps: fetching the libpng source package" >&2
  # Newest first; a mirror may list a version it does not (yet) carry.
  for v in $(apt-cache showsrc libpng1.6 | sed -n 's/^Version: //p' | sort -rV); do
    apt-get source --download-only -qq "libpng1.6=$v" >/dev/null 2>&1 && break
    rm -f libpng1.6_"${v#*:}"*
  done
fi
dsc=$(ls libpng1.6_*.dsc | tail -1)
rm -rf libpng
dpkg-source -x --no-check "$dsc" libpng >/dev/null

echo "windows_deps: building libpng with the cross compiler" >&2
rm -rf build
cmake -S libpng -B build -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF >/dev/null
cmake --build build -- -j"${PLANETO_JOBS:-$(nproc)}" >/dev/null
cmake --install build >/dev/null
rm -rf build libpng
