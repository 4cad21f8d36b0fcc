#!/bin/bash
# Builds and tests this checkout inside a Debian 13 root, made once with
# mmdebstrap from Debian's own registry and kept in the build tree. Inside
# it, `make test` installs the packages as it does on a fresh machine.
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
# Its build folder stays, and times are kept, so a second run only rebuilds
# what changed.
mkdir -p "$root/src"
find "$root/src" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
(cd "$here" && git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do if [ -e "$f" ]; then printf '%s\0' "$f"; fi; done |
  xargs -0 cp -p --parents -t "$root/src")

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

chroot "$root" /bin/bash -c "cd /src && make test JOBS=${JOBS:-$(nproc)}"
