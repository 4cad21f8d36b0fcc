#!/usr/bin/env bash
# Installs the build under a fresh prefix and checks what landed there: the
# programs, the worker and the gazetteer they find relative to themselves,
# the desktop entry and the icons.
set -u
build=$1
photo=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: install"; exit 1; }

for file in bin/tessaview bin/tessaview-cli libexec/tessaview/tessaview-worker \
  libexec/tessaview/tessaview-cli-media; do
  [ -x "$prefix/$file" ] || fail "$file is not installed as a program"
done
desktop=$prefix/share/applications/tessaview.desktop
[ -f "$desktop" ] || fail "no desktop entry"
desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
[ -f "$prefix/share/icons/hicolor/scalable/apps/tessaview.svg" ] || fail "no scalable icon"
for size in 16 24 32 48 64 128 256; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/tessaview.png
  got=$(identify -format '%wx%h' "$icon" 2>/dev/null)
  [ "$got" = "${size}x${size}" ] || fail "icon $size is '$got'"
done
[ ! -e "$prefix/bin/tessaview-worker" ] || fail "the worker is in bin"
[ ! -e "$prefix/bin/tessaview-cli-media" ] || fail "the media commands' program is in bin"

# The installed tool reads a photo through the installed worker, with no
# help from the environment or the build tree.
out=$(env -u TESSAVIEW_WORKER "$prefix/bin/tessaview-cli" dump "$photo" 2>&1)
echo "$out" | grep -q '"Make"' || fail "the installed tool could not read a photo: $out"
# The stamp is handed to the program of the commands that need Qt's GUI
# module, found the same way.
out=$(env -u TESSAVIEW_WORKER "$prefix/bin/tessaview-cli" stamp --dry-run --out "$prefix/out" "$photo" 2>&1)
echo "$out" | grep -q '"text": "2008:10:22 16:28:39"' || fail "the installed tool could not plan a stamp: $out"
# The gazetteer beside its attribution, found relative to the program.
[ -f "$prefix/share/tessaview/README.md" ] || fail "the gazetteer's attribution is not installed"
out=$(env -u TESSAVIEW_GAZETTEER "$prefix/bin/tessaview-cli" places --dry-run --out "$prefix/out" "$photo" 2>&1)
echo "$out" | grep -q '"place": "Arezzo"' || fail "the installed tool could not find a place: $out"
# The tool itself loads neither the GUI module nor libgphoto2.
ldd "$prefix/bin/tessaview-cli" | grep -E -q 'libQt6Gui|libgphoto2' && fail "tessaview-cli links the GUI module or libgphoto2"

[ $status = 0 ] && echo "installed and found its worker under $prefix"
exit $status
