#!/usr/bin/env bash
# Throughput of tessaview-cli against exiftool and cp. Prints figures; it
# passes or fails nothing.
set -euo pipefail
bin=$(cd "${1:-build/bin}" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
photo="$here/tests/data/photos/DSCN0010.jpg"
work=${BENCH_DIR:-/tmp/tessaview-bench}
small_count=${SMALL_COUNT:-1000}
big_count=${BIG_COUNT:-100}

now() { date +%s.%N; }
elapsed() { echo "$(now) - $1" | bc -l; }
rate() { printf '%.1f' "$(echo "$1 / $2" | bc -l)"; }
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

mkdir -p "$work"
if [ ! -f "$work/big/ready" ]; then
  echo "Preparing fixtures in $work ..."
  rm -rf "$work/small" "$work/big"; mkdir -p "$work/small" "$work/big"
  for i in $(seq 1 "$small_count"); do cp "$photo" "$work/small/s$i.jpg"; done
  # A 24-megapixel photo with EXIF, GPS, IPTC and a thumbnail: the real
  # camera photo enlarged, with sensor-like noise so it compresses like one.
  convert "$photo" -resize 6000x4000! -attenuate 0.4 +noise Gaussian -quality 92 "$work/big.jpg"
  convert "$photo" -resize 160x120 "$work/thumb.jpg"
  exiftool -q -overwrite_original -tagsfromfile "$photo" -all:all "-ThumbnailImage<=$work/thumb.jpg" \
    -Keywords=lake -Keywords=hills -City=Siena -By-line=Bench "$work/big.jpg"
  for i in $(seq 1 "$big_count"); do cp "$work/big.jpg" "$work/big/b$i.jpg"; done
  touch "$work/big/ready"
fi
echo "small: $small_count x $(stat -c %s "$photo") bytes; big: $big_count x $(stat -c %s "$work/big.jpg") bytes ($(identify -format '%wx%h' "$work/big.jpg"))"

min() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" = 1 ]; then echo "$2"; else echo "$1"; fi; }

bench_remove() { # name, folder[, file extension[, fresh]]
  # Best of three rounds for each tool, the tools taking turns: on a virtual
  # machine, memory freed by deleting one round's outputs is slow to touch
  # again, and that must not always fall on the same tool.
  #
  # With "fresh", each round writes into a folder of its own and the outputs
  # are deleted only after the last round. On an ext4 file system without a
  # journal (this machine's), creating a file passes over every inode freed
  # in the last 30 seconds, reading each one's table block: outputs deleted
  # just before a run make each file creation of the next one cost more than
  # copying a small photo, whichever tool runs. A user's folder does not have
  # thousands of just-deleted neighbours; the measure should not either.
  local name=$1 dir=$2 ext=${3:-jpg} fresh=${4:-} n t0 tv="" et="" cp_t="" round out
  n=$(ls "$dir"/*."$ext" | wc -l)
  rm -rf "$work/runs"
  for round in 1 2 3; do
    out() { if [ -n "$fresh" ]; then echo "$work/runs/$1-$round"; else echo "$work/out-$1"; fi; }
    rm -rf "$(out tv)"; sync
    t0=$(now); "$bin/tessaview-cli" remove gps --out "$(out tv)" "$dir"/*."$ext"; sync; tv=$(min "$tv" "$(elapsed "$t0")")
    rm -rf "$(out et)"; mkdir -p "$(out et)"; sync
    t0=$(now); exiftool -q -gps:all= -o "$(out et)/" "$dir"/*."$ext"; sync; et=$(min "$et" "$(elapsed "$t0")")
    rm -rf "$(out cp)"; mkdir -p "$(out cp)"; sync
    t0=$(now); cp "$dir"/*."$ext" "$(out cp)/"; sync; cp_t=$(min "$cp_t" "$(elapsed "$t0")")
  done
  rm -rf "$work/runs"
  echo "remove gps, $name ($n files, best of 3${fresh:+, each round into new folders}):"
  echo "  tessaview-cli  $(rate "$n" "$tv") files/s  ($(printf '%.2f' "$tv") s)"
  echo "  exiftool       $(rate "$n" "$et") files/s  ($(printf '%.2f' "$et") s)"
  echo "  cp             $(rate "$n" "$cp_t") files/s  ($(printf '%.2f' "$cp_t") s)"
  echo "  tessaview/exiftool files/s: $(ratio "$et" "$tv")x; tessaview time / cp time: $(ratio "$tv" "$cp_t")x"
}

bench_remove "small real JPEGs" "$work/small" jpg fresh
# The same with each round's outputs deleted just before it, for comparison
# with figures measured that way.
bench_remove "small real JPEGs" "$work/small"
bench_remove "24-megapixel JPEGs" "$work/big"
# 12-megapixel phone photos, as phones write them.
if [ ! -f "$work/heic/ready" ]; then
  rm -rf "$work/heic"; mkdir -p "$work/heic"
  for i in $(seq 1 200); do cp "$here/tests/data/photos/IMG_5195.HEIC" "$work/heic/h$i.HEIC"; done
  touch "$work/heic/ready"
fi
bench_remove "12-megapixel HEICs" "$work/heic" HEIC

n=$small_count
# Outputs on tmpfs, so the figures compare the work and not the disk.
"$bin/tv_bench" "$work/small" "$work/big" /dev/shm/tessaview-bench-out | tee "$work/engine.txt"
tv_rate=$(awk '/dump, small/ {for (i = 1; i < NF; i++) if ($i == "via") {print $(i - 2); exit}}' "$work/engine.txt")
t0=$(now); exiftool -j "$work/small"/*.jpg > /dev/null; et=$(elapsed "$t0")
et_rate=$(rate "$n" "$et")
t0=$(now); for f in $(ls "$work/small"/*.jpg | head -200); do "$bin/tessaview-cli" dump "$f" > /dev/null; done; proc=$(elapsed "$t0")
echo "dump, small real JPEGs ($n files):"
echo "  tessaview dump via workers, one process  $tv_rate files/s"
echo "  exiftool -j, one process                 $et_rate files/s"
echo "  tessaview-cli dump, a process per file   $(rate 200 "$proc") files/s"
echo "  tessaview/exiftool files/s: $(ratio "$tv_rate" "$et_rate")x"
# All the files in one call, as exiftool -j is run: one JSON array, best of three.
many=""
for round in 1 2 3; do
  t0=$(now); "$bin/tessaview-cli" dump "$work/small"/*.jpg > /dev/null; many=$(min "$many" "$(elapsed "$t0")")
done
echo "  tessaview-cli dump FILE..., one call     $(rate "$n" "$many") files/s  ($(printf '%.2f' "$many") s)"
echo "  tessaview-cli dump FILE.../exiftool -j files/s: $(ratio "$et" "$many")x"

# The edit form's apply writes at the rewrite speed of remove gps: from the
# command line, and through the window (the form showing the photo's own
# values, with the artist, keywords and position changed), with the window's
# longest stall.
"$bin/tv_bench_edit" "$work/small" /dev/shm/tessaview-bench-edit
# The same on small JPEGs whose XMP a photo manager wrote (dates with their
# zone, creator, keywords, place): keeping its copies in step costs no more
# than the XMP the edit touches.
if [ ! -f "$work/xmp/ready" ]; then
  rm -rf "$work/xmp"; mkdir -p "$work/xmp"
  cp "$photo" "$work/xmp.jpg"
  exiftool -q -overwrite_original '-XMP-exif:DateTimeOriginal=2008:10:22 16:28:39+02:00' \
    '-XMP-photoshop:DateCreated=2008:10:22 16:28:39+02:00' '-XMP-xmp:CreateDate=2008:10:22 16:28:39+02:00' \
    '-XMP-xmp:ModifyDate=2008:11:01 21:15:07+02:00' -XMP-dc:Creator=Ann -XMP-dc:Subject=lake \
    -XMP-dc:Subject=hills -XMP-dc:Description=Siena -XMP-dc:Rights=CC -XMP-photoshop:City=Siena \
    -XMP-iptcCore:Location=Piazza -XMP-tiff:Make=NIKON -XMP-tiff:Model=E5700 "$work/xmp.jpg"
  for i in $(seq 1 "$small_count"); do cp "$work/xmp.jpg" "$work/xmp/x$i.jpg"; done
  touch "$work/xmp/ready"
fi
echo "(the same on small JPEGs that carry XMP:)"
"$bin/tv_bench_edit" "$work/xmp" /dev/shm/tessaview-bench-edit
"$bin/tv_bench_apply" "$small_count" "$photo" 2>/dev/null

# Geotagging: the small photos, dated a minute and a half apart, against a
# GPX track of 100,000 points a second apart; tessaview-cli against exiftool
# -geotag with the same limits, both in UTC, best of three each.
geo="$work/geotag"
if [ ! -f "$geo/ready" ]; then
  rm -rf "$geo"; mkdir -p "$geo/photos"
  awk 'BEGIN { t0 = 1224684000
    print "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    print "<gpx version=\"1.1\" creator=\"bench\" xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><trkseg>"
    for (i = 0; i < 100000; i++)
      printf "<trkpt lat=\"%.7f\" lon=\"%.7f\"><ele>%.1f</ele><time>%s</time></trkpt>\n", \
        45 + 0.01 * sin(i / 1000), 7 + i * 0.00001, 100 + (i % 50), strftime("%Y-%m-%dT%H:%M:%SZ", t0 + i, 1)
    print "</trkseg></trk></gpx>" }' > "$geo/track.gpx"
  for i in $(seq 1 "$small_count"); do
    cp "$photo" "$geo/photos/g$i.jpg"
    echo "-overwrite_original"
    echo "-DateTimeOriginal=$(date -u -d @$((1224684000 + i * 90)) '+%Y:%m:%d %H:%M:%S')"
    echo "$geo/photos/g$i.jpg"; echo "-execute"
  done > "$geo/dates.args"
  exiftool -q -q -@ "$geo/dates.args" > /dev/null
  touch "$geo/ready"
fi
n=$(ls "$geo/photos"/*.jpg | wc -l)
tv="" et=""
for round in 1 2 3; do
  rm -rf "$work/out-tv"; sync
  t0=$(now); TZ=UTC "$bin/tessaview-cli" geotag --track "$geo/track.gpx" --overwrite --out "$work/out-tv" "$geo/photos"/*.jpg; sync; tv=$(min "$tv" "$(elapsed "$t0")")
  rm -rf "$work/out-et"; mkdir -p "$work/out-et"; sync
  t0=$(now); TZ=UTC exiftool -q -q -geotag "$geo/track.gpx" -api GeoMaxIntSecs=1800 -api GeoMaxExtSecs=0 -o "$work/out-et/" "$geo/photos"/*.jpg; sync; et=$(min "$et" "$(elapsed "$t0")")
done
echo "geotag, small real JPEGs against a $(grep -c '<trkpt' "$geo/track.gpx")-point GPX track ($n files, best of 3):"
echo "  tessaview-cli    $(rate "$n" "$tv") files/s  ($(printf '%.2f' "$tv") s)"
echo "  exiftool -geotag $(rate "$n" "$et") files/s  ($(printf '%.2f' "$et") s)"
echo "  tessaview/exiftool files/s: $(ratio "$et" "$tv")x"
TZ=UTC "$bin/tv_bench_geotag" "$geo/track.gpx" "$geo/photos"/*.jpg 2>/dev/null

# The date stamp: decode, draw and encode 24-megapixel JPEGs, against
# ImageMagick drawing the same text into the same files one process each.
stamp_count=${STAMP_COUNT:-50}
stamp_files=$(ls "$work/big"/*.jpg | head -n "$stamp_count")
n=$(echo "$stamp_files" | wc -l)
stamp_text="2008:10:22 16:28:39"
peak_kb() { # pid: the most the process and its children held at once, sampled
  local pid=$1 peak=0 now_kb
  while kill -0 "$pid" 2>/dev/null; do
    now_kb=$(ps -o rss= --pid "$pid" --ppid "$pid" 2>/dev/null | awk '{s += $1} END {print s + 0}')
    [ "$now_kb" -gt "$peak" ] && peak=$now_kb
    sleep 0.1
  done
  echo "$peak"
}
rm -rf "$work/out-stamp"; sync
t0=$(now)
"$bin/tessaview-cli" stamp --font "DejaVu Sans" --size 120 --color "#FFFFFF" --corner lower-left \
  --out "$work/out-stamp" $stamp_files &
stamp_pid=$!
stamp_peak=$(peak_kb "$stamp_pid")
wait "$stamp_pid"; sync; tv=$(elapsed "$t0")
rm -rf "$work/out-im"; mkdir -p "$work/out-im"; sync
t0=$(now)
for f in $stamp_files; do
  convert "$f" -font DejaVu-Sans -pointsize 120 -fill white -gravity SouthWest \
    -annotate +50+100 "$stamp_text" -quality 95 "$work/out-im/$(basename "$f")"
done
sync; im=$(elapsed "$t0")
echo "stamp, 24-megapixel JPEGs ($n files):"
echo "  tessaview-cli stamp     $(rate "$n" "$tv") files/s  ($(printf '%.2f' "$tv") s, peak $((stamp_peak / 1024)) MB with its workers)"
echo "  convert -annotate       $(rate "$n" "$im") files/s  ($(printf '%.2f' "$im") s)"
echo "  tessaview/convert files/s: $(ratio "$im" "$tv")x"
rm -rf "$work/out-stamp" "$work/out-im"

photos="$here/tests/data/photos"
"$bin/tv_bench_import" 10000 "$photos/DSCN0010.jpg" "$photos/Canon_40D.jpg" "$photos/Nikon_D70.jpg" \
  "$photos/Kodak_CX7530.jpg" "$photos/BlueSquare.jpg" 2>/dev/null
echo "(the same with the 24-megapixel photo:)"
"$bin/tv_bench_import" 2000 "$work/big.jpg" 2>/dev/null
echo "(the same at 200%, with the large views decoded for twice the pixels:)"
QT_SCALE_FACTOR=2 "$bin/tv_bench_import" 200 "$work/big.jpg" 2>/dev/null

# Downloading from a camera: a folder camera of 500 two-megabyte photos,
# tessaview-cli against gphoto2 on the same port, best of three each.
device_count=${DEVICE_COUNT:-500}
camera="$work/camera"
if [ ! -f "$camera/ready" ]; then
  rm -rf "$camera"; mkdir -p "$camera/DCIM/100APPLE"
  convert "$work/big.jpg" -resize 3000x2000 -quality 92 "$work/device.jpg"
  for i in $(seq -w 1 "$device_count"); do cp "$work/device.jpg" "$camera/DCIM/100APPLE/IMG_$i.JPG"; done
  touch "$camera/ready"
fi
gp="" tvd=""
for round in 1 2 3; do
  rm -rf "$work/out-gp"; mkdir -p "$work/out-gp"; sync
  t0=$(now); (cd "$work/out-gp" && gphoto2 -q --camera "Directory Browse" --port "disk:$camera" --get-all-files > /dev/null); sync; gp=$(min "$gp" "$(elapsed "$t0")")
  rm -rf "$work/out-tvd"; sync
  t0=$(now); TESSAVIEW_EXTRA_CAMERA_PORTS="disk:$camera" "$bin/tessaview-cli" device download --port "disk:$camera" --out "$work/out-tvd" --all > /dev/null; sync; tvd=$(min "$tvd" "$(elapsed "$t0")")
done
echo "device download, folder camera ($device_count x $(stat -c %s "$work/device.jpg") bytes, best of 3):"
echo "  tessaview-cli  $(rate "$device_count" "$tvd") files/s  ($(printf '%.2f' "$tvd") s)"
echo "  gphoto2        $(rate "$device_count" "$gp") files/s  ($(printf '%.2f' "$gp") s)"
echo "  tessaview/gphoto2 files/s: $(ratio "$gp" "$tvd")x"
# The device browser's first screen of thumbnails from a 2,000-photo camera.
"$bin/tv_bench_device" 2000 "$work/device.jpg" 30
bash "$here/bench/places.sh" "$bin"
