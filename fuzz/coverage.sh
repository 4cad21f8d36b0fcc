#!/usr/bin/env bash
# The line coverage the corpora of a fuzz run reach in each target's parser:
#   fuzz/coverage.sh FUZZ_BUILD_DIR [TARGET...]
# builds the targets once more with clang's source coverage (in
# FUZZ_BUILD_DIR-coverage), runs every input of FUZZ_BUILD_DIR/fuzz/corpus
# and of the seeds through them and prints llvm-cov's line coverage of the
# files each target is for. Needs the llvm of the fuzz build's clang (llvm-14 on
# Debian 12, llvm-19 on Debian 13).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fuzzed=$(cd "$1" && pwd)
shift
build=$fuzzed-coverage
# The clang the fuzz build was made with, and its llvm tools.
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$fuzzed/CMakeCache.txt")
v=${compiler##*-}
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(tiff_parse tiff_edit jpeg_rewrite chunk_rewrite heif_rewrite iptc_block xmp_edit
    plist_xml plist_binary worker_codec date_text device_file_name track_log differential)
fi
files_of() {
  local e=metadata/engine
  case $1 in
    tiff_parse) echo $e/TiffEditor.cpp $e/TiffEditorFinish.cpp ;;
    tiff_edit) echo $e/TiffEditor.cpp $e/TiffEditorFinish.cpp $e/MetadataEdit.cpp ;;
    jpeg_rewrite) echo $e/JpegRewrite.cpp $e/ExifBlockEdit.cpp ;;
    chunk_rewrite) echo $e/ChunkRewrite.cpp ;;
    heif_rewrite) echo $e/HeifItems.cpp $e/HeifRewrite.cpp ;;
    iptc_block) echo $e/IptcBlock.cpp ;;
    xmp_edit) echo $e/XmpEdit.cpp ;;
    plist_xml) echo templates/XmlPropertyList.cpp ;;
    plist_binary) echo templates/BinaryPropertyList.cpp ;;
    worker_codec) echo metadata/WorkerMessageCodec.cpp metadata/WorkerProtocol.cpp ;;
    date_text) echo metadata/DateText.cpp ;;
    device_file_name) echo sources/DeviceFileName.cpp ;;
    track_log) echo editing/TrackLog.cpp editing/StrictXmlReader.cpp editing/GpxReader.cpp \
      editing/KmlReader.cpp editing/NmeaReader.cpp editing/IgcReader.cpp \
      editing/TcxReader.cpp editing/CsvReader.cpp editing/GpsTrack.cpp ;;
    differential) echo $e/PropertyWriter.cpp $e/PropertyReader.cpp $e/JpegRewrite.cpp \
      $e/ChunkRewrite.cpp $e/HeifRewrite.cpp $e/TiffRewrite.cpp $e/TiffEditor.cpp \
      $e/TiffEditorFinish.cpp ;;
  esac
}

flags="-fprofile-instr-generate -fcoverage-mapping"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSAVIEW_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++-$v -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target $(printf 'fuzz_%s ' "${targets[@]}") >/dev/null

export TZ=${TZ:-Europe/Berlin}
mkdir -p "$build/profiles"
for target in "${targets[@]}"; do
  dirs=()
  for dir in "$fuzzed/fuzz/corpus/$target" "$fuzzed/fuzz/seeds/$target" \
    "$root/tests/data/fuzz-regressions/$target"; do
    [ -d "$dir" ] && dirs+=("$dir")
  done
  rm -f "$build/profiles/$target".*
  LLVM_PROFILE_FILE="$build/profiles/$target.%p.profraw" \
    "$build/bin/fuzz_$target" -runs=0 -timeout=60 "${dirs[@]}" >/dev/null 2>&1 || true
  llvm-profdata-$v merge -sparse "$build/profiles/$target".*.profraw \
    -o "$build/profiles/$target.profdata"
  echo "== $target: $(find "${dirs[@]}" -type f | wc -l) inputs"
  # shellcheck disable=SC2046
  llvm-cov-$v report "$build/bin/fuzz_$target" -instr-profile="$build/profiles/$target.profdata" \
    $(for f in $(files_of "$target"); do echo "$root/$f"; done) |
    awk '$8 ~ /^[0-9]+$/ { printf "  %-42s %6s of %5d lines (%s)\n", $1, $8 - $9, $8, $10 }' |
    sed "s|$root/||"
done
