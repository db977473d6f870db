#!/usr/bin/env bash
# Installs everything Tavrel needs to build, test and run, from Debian packages
# only, on Debian 12 (bookworm) or 13 (trixie). Safe to run again: it installs
# only what is missing, and says nothing when all is there.
#
# A mirror in the middle of a sync is an everyday event: an index may not
# match its release file for a while, or one archive (the security one, say)
# may have moved on for one architecture and not yet for the other. So the
# index update is tried a few times and then used as far as it came, and an
# install that cannot be resolved is tried again from the release's own suite.
set -euo pipefail

need=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  cmake make
  # Wine with its 32-bit loader, which runs Tavrel on Debian 12 and 13, and on
  # unstable too, where wine64 could (docs/design.md says why not).
  wine wine32:i386
  # Wine's own fonts: its dialog font, and the glyphs of the caption buttons.
  fonts-wine
  xvfb x11-utils x11-apps imagemagick xdotool
  googletest
  bc
  python3
  gcc libc6-dev libx11-dev libxtst-dev
)

sudo_() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
apt_() { sudo_ env DEBIAN_FRONTEND=noninteractive apt-get -q "$@"; }

# Wine's 32-bit side lives in the i386 architecture.
added_i386=
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo_ dpkg --add-architecture i386
  added_i386=1
fi

# One query for all of them (this runs before every build, test and run).
declare -A installed
native=$(dpkg --print-architecture)
while read -r name state; do
  if [ "$state" = installed ]; then installed[${name%:"$native"}]=1; fi
done < <(dpkg-query -W -f='${binary:Package} ${db:Status-Status}\n' "${need[@]}" 2>/dev/null || true)
missing=()
for p in "${need[@]}"; do
  [ -n "${installed[$p]:-}" ] || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0
echo "setup: installing ${missing[*]}"

# apt-get update exits non-zero when any one index failed, yet keeps every
# index it did fetch; a failure is tried again, and then the lists are used as
# they are (the install below says so if what it needs is not in them).
log=$(mktemp)
trap 'rm -f "$log"' EXIT
updated=
for attempt in 1 2 3; do
  if apt_ update >"$log" 2>&1; then updated=1; break; fi
  [ "$attempt" -lt 3 ] && sleep $((attempt * 5))
done
if [ -z "$updated" ]; then
  echo "setup: apt-get update failed 3 times; going on with the indexes it fetched:"
  grep -E '^(E|W): ' "$log" | head -5 | sed 's/^/    /'
fi

apt_install() { apt_ install -y --no-install-recommends "$@" "${missing[@]}"; }
if apt_install >"$log" 2>&1; then exit 0; fi
first_error=$(grep -E '^E: ' "$log" | head -3)

# When one archive has moved on for one architecture only, a library's two
# architectures no longer come in one version and nothing resolves. The
# release's own suite carries both at one version: the one this machine's
# sources carry (apt-cache policy), under the os-release codename where they
# have it (Debian 12, 13); otherwise their one Debian suite that is no
# -updates, -security or -backports (on unstable, whose os-release names the
# testing release, sid).
release_suite() {
  local codename suites
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  suites=$(apt-cache policy 2>/dev/null | sed -n 's/.* release .*o=Debian,.*n=\([^,]*\).*/\1/p' | sort -u)
  if [ -n "$codename" ] && grep -qx -- "$codename" <<<"$suites"; then
    echo "$codename"
  else
    grep -v -m1 -- - <<<"$suites" || true
  fi
}
codename=$(release_suite)
if [ -n "$codename" ]; then
  echo "setup: the archives disagree (${first_error%%$'\n'*}); installing from $codename itself"
  if apt_install -t "$codename" >"$log" 2>&1; then exit 0; fi
fi

echo "setup: could not install ${missing[*]}" >&2
echo "setup: tried: apt-get update (3 times), apt-get install${codename:+, apt-get install -t $codename}" >&2
[ -n "$added_i386" ] && echo "setup: the i386 architecture was added for Wine's 32-bit side" >&2
cat "$log" >&2
exit 100
