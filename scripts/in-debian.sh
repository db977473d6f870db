#!/usr/bin/env bash
# Runs one of this folder's scripts in a fresh Debian root of another release,
# so that Tavrel is built and tested there from nothing, as on a new machine:
#   in-debian.sh <codename> <script> [ARGS...]
# for example `scripts/in-debian.sh trixie scripts/test.sh`. Needs root (or
# sudo) for debootstrap, mount and chroot.
#
# The root is a minimal Debian (debootstrap's minbase, plus git), made anew
# for every run under build/, with this checkout mounted at /tavrel and its
# own build folder; the script's set-up installs everything else there. What
# was downloaded, the release's packages and the indexes, is kept under
# build/debian-cache/<codename>, so a second run fetches nothing that has not
# changed. The root is unmounted and removed on every way out, a failure or an
# interrupt included.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: in-debian.sh <codename> <script> [ARGS...]" >&2; exit 2; }
codename=$1 script=$2
shift 2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TAVREL_BUILD_DIR:-$root/build}
mirror=${TAVREL_DEBIAN_MIRROR:-http://deb.debian.org/debian}
security=${TAVREL_DEBIAN_SECURITY:-http://deb.debian.org/debian-security}
[ -f "$root/$script" ] || { echo "in-debian: no $script in $root" >&2; exit 2; }

sudo_() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
command -v debootstrap >/dev/null 2>&1 || [ -x /usr/sbin/debootstrap ] || {
  echo "in-debian: installing debootstrap"
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get -q install -y --no-install-recommends debootstrap >/dev/null
}

cache=$build/debian-cache/$codename
mkdir -p "$cache/debs" "$cache/archives/partial" "$cache/lists/partial"
target=$(mktemp -d "$build/debian-$codename.XXXXXX")

# Every mount under the root, deepest first.
mounts_under() { awk -v t="$target/" 'index($2 "/", t) == 1 { print $2 }' /proc/mounts | sort -r; }
cleanup() {
  local rc=$? pid
  trap - EXIT INT TERM
  # What still runs inside (a wineserver, an Xvfb) would hold the mounts.
  for pid in /proc/[0-9]*; do
    [ "$(readlink "$pid/root" 2>/dev/null)" = "$target" ] && kill -9 "${pid#/proc/}" 2>/dev/null
  done
  local m
  for m in $(mounts_under); do sudo_ umount "$m" 2>/dev/null || sudo_ umount -l "$m" || true; done
  # Never remove while anything is mounted inside: /tavrel is this checkout.
  if [ -n "$(mounts_under)" ]; then
    echo "in-debian: $target still has mounts; left in place" >&2
  else
    sudo_ rm -rf --one-file-system "$target"
  fi
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

started=$(date +%s)
echo "in-debian: making a Debian $codename root in $target"
if ! sudo_ debootstrap --variant=minbase --include=git --cache-dir="$cache/debs" \
       "$codename" "$target" "$mirror" >"$target.log" 2>&1; then
  tail -20 "$target.log" >&2
  rm -f "$target.log"
  echo "in-debian: debootstrap $codename failed" >&2
  exit 1
fi
rm -f "$target.log"

sudo_ tee "$target/etc/apt/sources.list" >/dev/null <<EOF
deb $mirror $codename main
deb $mirror $codename-updates main
deb $security $codename-security main
EOF
# The host's settings for reaching the archives (a proxy, a frozen snapshot's
# validity) hold inside as well.
apt-config dump | grep -E '^Acquire::(Check-Valid-Until|Check-Date|https?::Proxy) ' |
  sudo_ tee "$target/etc/apt/apt.conf.d/00host" >/dev/null || true
sudo_ cp /etc/resolv.conf /etc/hosts "$target/etc/"

bind() { sudo_ mkdir -p "$target$2" && sudo_ mount --bind "$1" "$target$2"; }
sudo_ mount -t proc proc "$target/proc"
sudo_ mount -t sysfs sysfs "$target/sys"
bind /dev /dev
bind /dev/pts /dev/pts
sudo_ mount -t tmpfs tmpfs "$target/dev/shm"
sudo_ mount -t tmpfs tmpfs "$target/tmp"
bind "$cache/archives" /var/cache/apt/archives
bind "$cache/lists" /var/lib/apt/lists
bind "$root" /tavrel
echo "in-debian: the root is ready after $(($(date +%s) - started)) s; running $script $*"

# A clean environment, as on a new machine: no display (the scripts start a
# private Xvfb), and the build in the root's own folder. It runs as a job
# waited for, so that a signal to this script ends the wait at once and the
# clean-up stops what runs inside.
rc=0
sudo_ chroot "$target" /usr/bin/env -i HOME=/root LANG=C.UTF-8 \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  TERM="${TERM:-dumb}" CI="${CI:-}" TAVREL_BUILD_DIR=/root/build \
  bash -c 'git config --global --add safe.directory /tavrel && cd /tavrel && exec bash "$@"' \
  in-debian "$script" "$@" &
wait $! || rc=$?
echo "in-debian: $script in Debian $codename ended with $rc after $(($(date +%s) - started)) s"
exit "$rc"
