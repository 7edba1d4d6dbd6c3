#!/usr/bin/env bash
# Builds the libraries the Windows build needs and Debian does not ship for MinGW:
# libpng and ERFA, from Debian's own source packages (the same libraries and versions
# the Linux build uses), with the cross compiler, libpng against MinGW's zlib.
#
#   scripts/windows_deps.sh DIR
#
# DIR/src holds the source packages (kept, so they are fetched once), DIR/prefix the
# installed headers and static libraries.  Quick when DIR/prefix is complete.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
case ${1:-} in
  -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  ''|-*) echo "windows_deps: usage: windows_deps.sh DIR (try --help)" >&2; exit 2 ;;
esac
dir=$(mkdir -p "$1" && cd "$1" && pwd)
prefix=$dir/prefix
have_png=0 have_erfa=0
[ -f "$prefix/lib/libpng16.a" ] && [ -f "$prefix/include/png.h" ] && have_png=1
[ -f "$prefix/lib/liberfa.a" ] && [ -f "$prefix/include/erfa.h" ] && have_erfa=1
[ $have_png = 1 ] && [ $have_erfa = 1 ] && exit 0

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
# unpack PACKAGE FOLDER: the newest source package of that name, unpacked into FOLDER.
unpack() {
  if ! ls "$1"_*.dsc >/dev/null 2>&1; then
    echo "windows_deps: fetching the $1 source package" >&2
    # Newest first; a mirror may list a version it does not (yet) carry.
    for v in $(apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -rV); do
      apt-get source --download-only -qq "$1=$v" >/dev/null 2>&1 && break
      rm -f "$1"_"${v#*:}"*
    done
  fi
  rm -rf "$2"
  dpkg-source -x --no-check "$(ls "$1"_*.dsc | tail -1)" "$2" >/dev/null
}

if [ $have_erfa = 0 ]; then
  unpack erfa erfa
  echo "windows_deps: building ERFA with the cross compiler" >&2
  # Plain C with no configuration to speak of: the library's sources compiled one by
  # one into a static archive, without its test program and without the version
  # functions, whose strings only its configure script defines.
  mkdir -p erfa/obj "$prefix/lib" "$prefix/include"
  for c in erfa/src/*.c; do
    case $c in */t_erfa_c*.c | */erfaversion.c) continue ;; esac
    echo "$c"
  done | xargs -P"${PLANETO_JOBS:-$(nproc)}" -I{} sh -c \
    'x86_64-w64-mingw32-gcc-posix -O2 -c "$1" -o "erfa/obj/$(basename "$1" .c).o"' _ {}
  rm -f "$prefix/lib/liberfa.a"
  x86_64-w64-mingw32-ar rcs "$prefix/lib/liberfa.a" erfa/obj/*.o
  cp erfa/src/erfa.h erfa/src/erfam.h erfa/src/erfaextra.h erfa/src/erfadatextra.h "$prefix/include/"
  rm -rf erfa
fi
[ $have_png = 1 ] && exit 0

unpack libpng1.6 libpng

echo "windows_deps: building libpng with the cross compiler" >&2
rm -rf build
cmake -S libpng -B build -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF >/dev/null
cmake --build build -- -j"${PLANETO_JOBS:-$(nproc)}" >/dev/null
cmake --install build >/dev/null
rm -rf build libpng
