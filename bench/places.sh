#!/bin/bash
# places and dates zone --from-position on 1,000 small real JPEGs (the
# geotag bench's photo, DSCN0010.jpg, which has a position), against
# ExifTool 13's -geolocate and our own dates set; then the gazetteer held
# against ExifTool 13's geolocation. ExifTool 13 is the npm package
# exiftool-vendored.pl (EXIFTOOL13 names it); without it those lines are
# skipped with a message.
set -euo pipefail
bin=$(cd "${1:-build/bin}" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
work=${BENCH_DIR:-/tmp/tessaview-bench}/places
count=${SMALL_COUNT:-1000}
et13=${EXIFTOOL13:-/tmp/exiftool13/node_modules/exiftool-vendored.pl/bin/exiftool}
now() { date +%s.%N; }
elapsed() { echo "$(now) - $1" | bc -l; }
rate() { printf '%.1f' "$(echo "$1 / $2" | bc -l)"; }
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }
min() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" = 1 ]; then echo "$2"; else echo "$1"; fi; }

if [ ! -f "$work/ready" ]; then
  rm -rf "$work"; mkdir -p "$work/photos"
  for i in $(seq 1 "$count"); do cp "$here/tests/data/photos/DSCN0010.jpg" "$work/photos/p$i.jpg"; done
  touch "$work/ready"
fi
"$bin/tv_bench_places" load
tv="" et="" zone="" set=""
for round in 1 2 3; do
  rm -rf "$work/out-tv"; sync
  t0=$(now); "$bin/tessaview-cli" places --overwrite --out "$work/out-tv" "$work/photos"/*.jpg; sync; tv=$(min "$tv" "$(elapsed "$t0")")
  rm -rf "$work/out-zone"; sync
  t0=$(now); "$bin/tessaview-cli" dates zone --from-position --out "$work/out-zone" "$work/photos"/*.jpg; sync; zone=$(min "$zone" "$(elapsed "$t0")")
  rm -rf "$work/out-set"; sync
  t0=$(now); "$bin/tessaview-cli" dates set "2008:10:22 16:28:39" --out "$work/out-set" "$work/photos"/*.jpg; sync; set=$(min "$set" "$(elapsed "$t0")")
  if [ -x "$et13" ]; then
    rm -rf "$work/out-et"; mkdir -p "$work/out-et"; sync
    t0=$(now); "$et13" -q -q "-geolocate<gpsposition" -o "$work/out-et/" "$work/photos"/*.jpg; sync; et=$(min "$et" "$(elapsed "$t0")")
  fi
done
echo "places, small real JPEGs ($count files, best of 3):"
echo "  tessaview-cli places                 $(rate "$count" "$tv") files/s  ($(printf '%.2f' "$tv") s)"
if [ -n "$et" ]; then
  echo "  exiftool 13 -geolocate<gpsposition   $(rate "$count" "$et") files/s  ($(printf '%.2f' "$et") s)"
  echo "  tessaview/exiftool files/s: $(ratio "$et" "$tv")x"
else
  echo "  exiftool 13: skipped, $et13 is not installed (npm install exiftool-vendored.pl in /tmp/exiftool13)"
fi
echo "dates zone --from-position against dates set ($count files, best of 3):"
echo "  dates zone --from-position  $(rate "$count" "$zone") files/s  ($(printf '%.2f' "$zone") s)"
echo "  dates set                   $(rate "$count" "$set") files/s  ($(printf '%.2f' "$set") s)"
echo "  zone/set files/s: $(ratio "$set" "$zone")x"
python3 "$here/bench/places-compare.py" "$bin" "$et13" 400
