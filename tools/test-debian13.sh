#!/bin/bash
# Builds and tests this checkout inside a Debian 13 root, made once with
# mmdebstrap from Debian's own registry and kept in the build tree. Inside
# it, `make test` installs the packages as it does on a fresh machine;
# DEBIAN13_MAKE names other targets to make there instead ("fuzz", say).
# Needs root (for chroot and the mounts the tests use: /proc, /dev, /sys).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${DEBIAN13_DIR:-$here/build/debian13}
root=$cache/root
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

if [ "$(id -u)" != 0 ]; then
  echo "test-debian13: run as root (chroot and mounts)" >&2
  exit 1
fi
command -v mmdebstrap >/dev/null || { apt-get update -qq && apt-get install -y -qq mmdebstrap; }

if [ ! -f "$root/.ready" ]; then
  rm -rf "$root"; mkdir -p "$cache"
  mmdebstrap --variant=apt --include=make,ca-certificates,python3,git \
    trixie "$root" "$mirror"
  touch "$root/.ready"
fi

# The checkout as git knows it, plus uncommitted changes, without our builds.
# Its build folder stays, and a file is copied only where its content
# differs, taking the time of the copy: the build then remakes what changed
# since the last run and nothing else, even where a file changed back to an
# older time.
mkdir -p "$root/src"
list=$(mktemp)
(cd "$here" && git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do if [ -f "$f" ]; then printf '%s\0' "$f"; fi; done) > "$list"
(cd "$root/src" && find . -path ./build -prune -o -type f -printf '%P\0') |
  sort -z | comm -z -23 - <(sort -z "$list") |
  (cd "$root/src" && xargs -0 -r rm -f)
while IFS= read -r -d '' f; do
  cmp -s "$here/$f" "$root/src/$f" || { mkdir -p "$root/src/$(dirname "$f")" && cp "$here/$f" "$root/src/$f"; }
done < "$list"
rm -f "$list"

mounts=(proc sys dev dev/pts)
cleanup() {
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount -l "$root/${mounts[$i]}" 2>/dev/null || true
  done
}
trap cleanup EXIT
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --rbind /dev "$root/dev"
mount -t devpts devpts "$root/dev/pts" 2>/dev/null || true
cp /etc/resolv.conf "$root/etc/resolv.conf"

chroot "$root" /bin/bash -c "cd /src && make ${DEBIAN13_MAKE:-test} JOBS=${JOBS:-$(nproc)}"
