#!/usr/bin/env bash
# Converts the Yale Bright Star Catalogue as Debian's xplanet package ships it into the
# star catalogue text the program reads (data/Constellations.catalog.txt):
#
#   apt-get install xplanet          # only for this; the build does not need it
#   tools/make_catalogue.sh [BSC_FILE] [OUTPUT]
#
# BSC_FILE defaults to /usr/share/xplanet/stars/BSC (declination in degrees, right
# ascension in hours, magnitude, then name and numbers), OUTPUT to the committed file.
# One star a line, in the catalogue's order (brightest first), LF line ends:
#
#   columns 0-1 RA hours, 3-4 RA minutes, 6-9 RA seconds ("08.9"), 11 declination
#   sign, 12-13 degrees, 15-16 arc minutes, 18-19 arc seconds, 21-25 magnitude,
#   then from column 27 the catalogue's name of the star (not read by the program).
#
# Rounding is done on whole tenths of a time second and whole arc seconds, so a value
# never prints as "60".
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
in=${1:-/usr/share/xplanet/stars/BSC}
out=${2:-$top/data/Constellations.catalog.txt}
[ -r "$in" ] || { echo "make_catalogue.sh: cannot read '$in' (Debian package xplanet)" >&2; exit 1; }

LC_ALL=C awk '
  /^[[:space:]]*(#|$)/ { next }
  {
    dec = $1 + 0; ra = $2 + 0; mag = $3 + 0
    name = ""
    if (match($0, /"[^"]*"/)) name = substr($0, RSTART + 1, RLENGTH - 2)

    t = int(ra * 36000 + 0.5)                 # tenths of a second of time
    if (t >= 864000) t -= 864000
    h = int(t / 36000); t -= h * 36000
    m = int(t / 600);   t -= m * 600

    sign = dec < 0 ? "-" : "+"
    a = int((dec < 0 ? -dec : dec) * 3600 + 0.5)   # arc seconds
    d = int(a / 3600); a -= d * 3600
    am = int(a / 60);  a -= am * 60

    printf "%02d %02d %04.1f %s%02d %02d %02d %5.2f %s\n", h, m, t / 10, sign, d, am, a, mag, name
  }' "$in" >"$out.tmp"
mv "$out.tmp" "$out"
echo "make_catalogue.sh: $(wc -l <"$out") stars written to $out" >&2
