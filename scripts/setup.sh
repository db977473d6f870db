#!/usr/bin/env bash
# Installs everything Tavrel needs to build, test and run, from Debian packages only.
# Safe to run again: it installs only what is missing.
set -euo pipefail

need=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  cmake make
  wine wine32:i386
  # Wine's own fonts: its dialog font, and the glyphs of the caption buttons.
  fonts-wine
  xvfb x11-utils x11-apps imagemagick xdotool
  googletest
  gnuplot-nox bc
  python3
  gcc libc6-dev libx11-dev libxtst-dev
)

sudo_() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# Wine's 32-bit side lives in the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo_ dpkg --add-architecture i386
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

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_ apt-get update -q
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

