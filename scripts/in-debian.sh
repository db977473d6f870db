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
#
# The packages come from the archives this machine's apt is set up with (a
# local mirror, a caching proxy: whatever /etc/apt/sources.list, its .list
# files and the deb822 .sources files under /etc/apt/sources.list.d name):
# the first Debian archive, and the Debian security archive for the release's
# security updates, each with the root's own codename. TAVREL_DEBIAN_MIRROR
# and TAVREL_DEBIAN_SECURITY, when set, are used instead. Unstable (sid) has
# no security archive and no -updates suite, and gets neither.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: in-debian.sh <codename> <script> [ARGS...]" >&2; exit 2; }
codename=$1 script=$2
shift 2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TAVREL_BUILD_DIR:-$root/build}

# apt_archives: the machine's Debian archive and security archive, as
# "mirror <uri> <where>" and "security <uri> <where>" lines, read through apt
# itself, so that both source formats, options and disabled entries are
# understood as apt understands them. An entry is Debian's when its Release
# file says so (Origin: Debian; Label: Debian-Security for the security
# archive, and Label: Debian for the archive itself, not its backports or
# debug symbols); where no Release file has been fetched yet, when its suite
# is one of this machine's own release (or a Debian alias), with -security
# telling the security archive.
apt_archives() {
  local host_codename
  host_codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
  {
    apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(ORIGIN) $(LABEL) info' 2>/dev/null
    apt-get indextargets --no-release-info \
      --format '$(REPO_URI) $(RELEASE) $(TARGET_OF) $(SOURCESENTRY) entry' 2>/dev/null
  } | awk -v host="$host_codename" '
    $5 == "info" { origin[$1 " " $2] = $3; label[$1 " " $2] = $4; next }
    $5 != "entry" || $3 != "deb" || seen[$1 " " $2]++ { next }
    {
      uri = $1; sub(/\/+$/, "", uri); suite = $2; base = suite; sub(/[-\/].*/, "", base)
      known = ($1 " " $2) in origin
      if (known) debian = origin[$1 " " $2] == "Debian"
      else debian = base == host || base ~ /^(oldoldstable|oldstable|stable|testing|unstable|sid|experimental)$/
      if (!debian) next
      sec = known ? label[$1 " " $2] == "Debian-Security" : suite ~ /(-security|\/updates)$/
      if (sec && !security) { security = 1; print "security", uri, $4 }
      # The archive itself, not its debug symbols or backports.
      main = known ? label[$1 " " $2] == "Debian" : suite !~ /-(debug|backports)$/
      if (!sec && main && !mirror) { mirror = 1; print "mirror", uri, $4 }
    }'
}

archives=$(apt_archives)
mirror=${TAVREL_DEBIAN_MIRROR:-} mirror_from="TAVREL_DEBIAN_MIRROR"
security=${TAVREL_DEBIAN_SECURITY:-} security_from="TAVREL_DEBIAN_SECURITY"
if [ -z "$mirror" ]; then
  read -r _ mirror mirror_from < <(grep '^mirror ' <<<"$archives") || true
fi
if [ -z "$security" ]; then
  read -r _ security security_from < <(grep '^security ' <<<"$archives") || true
fi
if [ -z "$mirror" ]; then
  echo "in-debian: this machine's apt configuration names no Debian archive" \
       "(in /etc/apt/sources.list, /etc/apt/sources.list.d/);" \
       "set TAVREL_DEBIAN_MIRROR (and TAVREL_DEBIAN_SECURITY) to the archives to use" >&2
  exit 2
fi
suites=("$codename")
case "$codename" in
  sid|unstable|experimental) security= security_from= ;;
  *) suites+=("$codename-updates") ;;
esac
echo "in-debian: archive $mirror (from $mirror_from)"
if [ -n "$security" ]; then
  echo "in-debian: security archive $security (from $security_from)"
elif [ "${#suites[@]}" -gt 1 ]; then
  echo "in-debian: no Debian security archive configured here; the root goes without" \
       "(set TAVREL_DEBIAN_SECURITY to give it one)"
else
  echo "in-debian: Debian $codename has no security archive"
fi
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
# An https archive needs the certificate authorities inside as well.
include=git
case "$mirror $security" in *https://*) include+=,ca-certificates ;; esac
if ! sudo_ debootstrap --variant=minbase --include="$include" --cache-dir="$cache/debs" \
       "$codename" "$target" "$mirror" >"$target.log" 2>&1; then
  tail -20 "$target.log" >&2
  rm -f "$target.log"
  echo "in-debian: debootstrap $codename failed" >&2
  exit 1
fi
rm -f "$target.log"

# A Release file names the date until which apt takes it as current. On an
# archive frozen on purpose (a snapshot kept for reproducible runs),
# unstable's, renewed every few days upstream, lapses soon after; apt in the
# root then refuses it unless this machine says not to check, which the root
# takes over (below). debootstrap does not check it, so it is checked here,
# before anything runs inside.
until=$(sed -n 's/^Valid-Until: //p' "$target"/var/lib/apt/lists/*_"$codename"_Release 2>/dev/null | head -1)
until_s=$(date -d "$until" +%s 2>/dev/null || true)
if [ -n "$until" ] && [ -n "$until_s" ] && [ "$until_s" -lt "$(date +%s)" ]; then
  eval "$(apt-config shell check_until Acquire::Check-Valid-Until)"
  if [ "${check_until:-true}" = false ]; then
    echo "in-debian: $codename's Release file was valid until $until; taken all the same," \
         "as this machine's apt sets Acquire::Check-Valid-Until false"
  else
    echo "in-debian: $codename's Release file at $mirror was valid until $until, and apt in" \
         "the root would refuse it. If that archive is frozen on purpose, set" \
         "Acquire::Check-Valid-Until \"false\" in this machine's apt configuration" >&2
    exit 1
  fi
fi

{
  for suite in "${suites[@]}"; do echo "deb $mirror $suite main"; done
  [ -z "$security" ] || echo "deb $security $codename-security main"
} | sudo_ tee "$target/etc/apt/sources.list" >/dev/null
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
