#!/usr/bin/env bash
# Takes the README's picture of the window: Tessaview under an X server of its
# own (Xvfb) with a few of the test photos listed and the first one shown,
# cropped to the window. Run after `make build`:
#   tools/window-screenshot.sh [BUILD_BIN [OUTPUT.png]]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$here/build/bin}" && pwd)
out=${2:-$here/docs/window.png}
photos="$here/tests/data/photos"
for tool in Xvfb import convert; do
  command -v "$tool" > /dev/null || { echo "$tool is needed (apt-get install xvfb imagemagick)" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid="" app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2> /dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A screen just larger than the window's first size, so that it opens at that
# size; Xvfb picks a free display and writes its number.
Xvfb -displayfd 3 -screen 0 1024x840x24 -nolisten tcp 3> "$work/display" 2> /dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

# A home of its own: first-launch settings, nothing of the user's.
mkdir -p "$work/home"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache" \
  QT_QPA_PLATFORM=xcb "$bin/tessaview" \
  "$photos/DSCN0010.jpg" "$photos/Canon_40D.jpg" "$photos/Kodak_CX7530.jpg" \
  "$photos/IMG_5195.HEIC" "$photos/Nikon_D70.jpg" "$photos/Pentax_K10D.jpg" \
  "$photos/photo.png" > "$work/log" 2>&1 &
app_pid=$!
sleep "${SETTLE_SECONDS:-6}"
import -window root "$work/screen.png"
mkdir -p "$(dirname "$out")"
# The root window is black around the window: trimmed away.
convert "$work/screen.png" -trim +repage "$out"
echo "wrote $out ($(identify -format '%wx%h' "$out"))"
