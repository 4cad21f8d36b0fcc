#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build (make fuzz) for FUZZ_SECONDS each,
# FUZZ_JOBS at a time, and prints what each did:
#   fuzz/run.sh BUILD_DIR [TARGET...]
# Each target starts from the seeds cut from tests/data/photos and from
# FUZZ_PHOTOS (default ../shared/photos, where it exists), the inputs of
# tests/data/fuzz-regressions/TARGET and what its earlier runs kept in
# BUILD_DIR/fuzz/corpus/TARGET. An input that fails is kept in
# BUILD_DIR/fuzz/artifacts/TARGET.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
shift
seconds=${FUZZ_SECONDS:-60}
# A fixed seed (FUZZ_SEED) makes a short run take the same mutations each time,
# so that CI checks what was fixed rather than what a new run may find.
seed=${FUZZ_SEED:-}
jobs=${FUZZ_JOBS:-2}
photos=${FUZZ_PHOTOS:-$root/../shared/photos}
work=$build/fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(tiff_parse tiff_edit jpeg_rewrite chunk_rewrite heif_rewrite iptc_block xmp_edit
    plist_xml plist_binary worker_codec date_text device_file_name track_log differential)
fi

rm -rf "$work/seeds"
mkdir -p "$work/seeds" "$work/logs" "$work/dict"
sources=("$root/tests/data/photos")
[ -d "$photos" ] && sources+=("$photos")
# The kinds no sample photo is of, built as the tests build them: RAF, RW2,
# MRW and the TIFF-based NEF, CR2 and DNG around a real JPEG, and a HEIF
# without an Exif item.
rm -rf "$work/built"
mkdir -p "$work/built"
for kind in raf rw2 mrw nef cr2 dng; do
  python3 "$root/tests/support/make-raw-fixture.py" "$kind" "$root/tests/data/photos/DSCN0010.jpg" \
    "$work/built/built.$kind"
done
if command -v heif-enc >/dev/null && command -v convert >/dev/null; then
  convert -size 96x64 gradient:red-blue -strip "$work/built/plain.png"
  heif-enc -q 60 "$work/built/plain.png" -o "$work/built/no-exif.heic" >/dev/null
  rm "$work/built/plain.png"
fi
sources+=("$work/built")
find "${sources[@]}" -type f -size -64M -print0 | xargs -0 "$build/bin/tv_fuzz_seeds" "$work/seeds"

# Dates are read in local time: a zone with summer time has days that lack
# an hour or have one twice.
export TZ=${TZ:-Europe/Berlin}
run() {
  local target=$1 dirs=()
  mkdir -p "$work/corpus/$target" "$work/artifacts/$target"
  for dir in "$work/seeds/$target" "$root/tests/data/fuzz-regressions/$target"; do
    [ -d "$dir" ] && dirs+=("$dir")
  done
  # The dictionaries of the formats the target reads, in one.
  local dict=() parts=()
  case $target in
    tiff_*) parts=(tiff) ;;
    jpeg_rewrite) parts=(jpeg tiff iptc xmp) ;;
    chunk_rewrite) parts=(chunk tiff xmp) ;;
    heif_rewrite) parts=(bmff tiff xmp) ;;
    iptc_block) parts=(iptc) ;;
    xmp_edit) parts=(xmp) ;;
    plist_xml | plist_binary | worker_codec | track_log) parts=("$target") ;;
    differential) parts=(jpeg tiff chunk bmff iptc xmp) ;;
  esac
  if [ ${#parts[@]} -gt 0 ]; then
    for part in "${parts[@]}"; do cat "$root/fuzz/dict/$part.dict"; done >"$work/dict/$target.dict"
    dict=(-dict="$work/dict/$target.dict")
  fi
  # 20 seconds for one input: the worker's watchdog allows 10, and the
  # sanitizers take about twice as long.
  local code=0
  "$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 ${seed:+-seed="$seed"} \
    -print_final_stats=1 -artifact_prefix="$work/artifacts/$target/" "${dict[@]}" \
    "$work/corpus/$target" "${dirs[@]}" >"$work/logs/$target.log" 2>&1 || code=$?
  echo "$code" >"$work/logs/$target.status"
}
export -f run
export build root work seconds seed

printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run {}'
status=0
printf '%-18s %12s %9s %7s  %s\n' target executions execs/s corpus result
for target in "${targets[@]}"; do
  log=$work/logs/$target.log
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  corpus=$(find "$work/corpus/$target" -type f | wc -l)
  result=ok
  if [ "$(cat "$work/logs/$target.status")" != 0 ]; then
    status=1
    result="FAILED ($(grep -m1 -o -e 'ERROR: .*' -e 'runtime error: .*' -e 'fuzz target failed: .*' \
      "$log" | cut -c1-100)); $(grep -m1 -o 'Test unit written to .*' "$log" || echo "see $log")"
  fi
  printf '%-18s %12s %9s %7s  %s\n' "$target" "${runs:--}" "${speed:--}" "$corpus" "$result"
done
exit $status
