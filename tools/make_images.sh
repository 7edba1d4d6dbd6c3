#!/bin/sh
# Remakes the built-in images in data/images/.
#
#   tools/make_images.sh [BUILD_DIR]      (default: build)
#
# Needs, for generating only (they are not build dependencies of the program):
#   xplanet-images   the NASA Visible Earth day and night maps
#   stellarium-data  the Moon map
#   imagemagick      scaling the maps
#   fonts-dejavu-core, libfreetype-dev  the font image
# Everything else is computed by tools/make_images.cpp from fixed seeds.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
out="$root/data/images"

day_src=/usr/share/xplanet/images/earth.jpg
night_src=/usr/share/xplanet/images/night.jpg
moon_src=/usr/share/stellarium/textures/moon.png
font_src=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

missing=""
[ -f "$day_src" ] && [ -f "$night_src" ] || missing="$missing xplanet-images"
[ -f "$moon_src" ] || missing="$missing stellarium-data"
[ -f "$font_src" ] || missing="$missing fonts-dejavu-core"
command -v convert >/dev/null 2>&1 || missing="$missing imagemagick"
if [ -n "$missing" ]; then
  echo "make_images.sh: missing packages:$missing" >&2
  echo "  apt-get install$missing" >&2
  exit 1
fi

cmake -S "$root" -B "$build" -G Ninja -DPLANETO_IMAGE_TOOLS=ON >/dev/null
cmake --build "$build" --target make_images

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Scale to the table's sizes and hand over as plain PPM, so that the PNGs are written
# by our own encoder (no time stamps or other chunks that change from run to run).
convert "$day_src" -resize '1024x512!' -depth 8 "ppm:$tmp/day.ppm"
# The night lights are faint in the source; lift them so the night side shows them.
convert "$night_src" -resize '1024x512!' -level 0%,70% -depth 8 "ppm:$tmp/night.ppm"
convert "$moon_src" -resize '720x360!' -depth 8 "ppm:$tmp/moon.ppm"

"$build/tools/make_images" --out "$out" --day "$tmp/day.ppm" --night "$tmp/night.ppm" \
  --moon "$tmp/moon.ppm" --font "$font_src"
ls -l "$out"/*.png
