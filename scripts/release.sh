#!/usr/bin/env bash
# Builds the release: dist/Tavrel-<version>-win32.zip (Tavrel.exe, ReadMe.txt,
# LICENSE and THIRD-PARTY-NOTICES.txt, in a folder of the same name), the
# program's symbols beside it (Tavrel-<version>-win32.debug), the Windows test
# bundle (Tavrel-<version>-tests-win32.zip, scripts/test-bundle.sh) and
# dist/SHA256SUMS for the three, the checksums to be published with them.
#
# Tavrel.exe is built twice from clean: in build/release, and from a copy of
# the sources in a temporary folder elsewhere. The two must be identical byte
# for byte, and the program must pass the release checks (system imports only,
# no debug sections, no build folders, Windows 7 in its header, the manifest),
# or nothing is written to dist/. The zip is reproducible too: its entries are
# written in a fixed order with the time of the last commit (or
# SOURCE_DATE_EPOCH), and read back to check that it holds them as written.
# Arguments are ignored.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TAVREL_BUILD_DIR:-$root/build}
dist=$root/dist

bash "$root/scripts/setup.sh"
command -v git >/dev/null && git -C "$root" rev-parse --git-dir >/dev/null 2>&1 ||
  { echo "release: $root is not a git checkout" >&2; exit 1; }
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
if [ -n "$(git -C "$root" status --porcelain)" ]; then
  echo "release: note: the working tree has changes that are not committed; they are built in"
fi

# build_tavrel <source-dir> <build-dir>: a clean build of Tavrel.exe alone.
build_tavrel() {
  rm -rf "$2"
  cmake -S "$1" -B "$2" -DCMAKE_TOOLCHAIN_FILE="$1/cmake/mingw-w64-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
  cmake --build "$2" -j"$(nproc)" --target Tavrel >/dev/null
}

# The same commit gives the same bytes only with the same toolchain: each
# Debian release brings its own mingw-w64, so the release says which it used.
toolchain() {
  local os gcc runtime binutils
  os=$(. /etc/os-release && echo "$PRETTY_NAME")
  gcc=$(dpkg-query -W -f='${Version}' g++-mingw-w64-i686-posix)
  runtime=$(dpkg-query -W -f='${Version}' mingw-w64-i686-dev)
  binutils=$(dpkg-query -W -f='${Version}' binutils-mingw-w64-i686)
  echo "$os; g++-mingw-w64-i686-posix $gcc, mingw-w64 runtime $runtime, binutils $binutils"
}
echo "release: toolchain: $(toolchain)"

first=$build/release
echo "release: building Tavrel.exe in $first"
build_tavrel "$root" "$first"

elsewhere=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-release-check.XXXXXX")
trap 'rm -rf "$elsewhere"' EXIT
echo "release: building it again from a copy of the sources in $elsewhere"
mkdir "$elsewhere/sources"
git -C "$root" ls-files -z --cached --others --exclude-standard |
  (cd "$root" && tar --null -T - --ignore-failed-read -cf - 2>/dev/null) | tar -xf - -C "$elsewhere/sources"
build_tavrel "$elsewhere/sources" "$elsewhere/build"

same=yes
for f in Tavrel.exe Tavrel.debug; do
  if ! cmp -s "$first/app/$f" "$elsewhere/build/app/$f"; then
    same=no
    echo "release: FAIL: the two builds of $f differ:" >&2
    sha256sum "$first/app/$f" "$elsewhere/build/app/$f" >&2
  fi
done
[ "$same" = yes ] || exit 1
echo "release: both builds are identical: $(sha256sum <"$first/app/Tavrel.exe" | cut -d' ' -f1)"

python3 "$root/tests/app/check_release_exe.py" all "$first/app/Tavrel.exe" \
  "$root" "$build" "$elsewhere" | sed 's/^/release: /'

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$first/CMakeCache.txt")
name=Tavrel-$version-win32
package=$first/package/$name
rm -rf "$first/package"
mkdir -p "$package"
cp "$first/app/Tavrel.exe" "$package/"
# Plain text for Notepad on Windows 7: CR LF line ends. (No checksums inside
# the zip: they would travel with the files they check and so vouch for
# nothing; the SHA256SUMS published beside the zip does.)
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$root/res/ReadMe.txt" >"$package/ReadMe.txt"
sed -e 's/$/\r/' "$root/LICENSE" >"$package/LICENSE"
# The notices of what the link took in besides Tavrel's own code, from the
# copyright files of the Debian packages it came from (scripts/notices.py): a
# part of the link that no notice covers stops the release here.
python3 "$root/scripts/notices.py" "$first/app/Tavrel.map" "$first/app/Tavrel.debug" \
  "$first/THIRD-PARTY-NOTICES.txt" | sed 's/^/release: /'
sed -e 's/$/\r/' "$first/THIRD-PARTY-NOTICES.txt" >"$package/THIRD-PARTY-NOTICES.txt"
entries=(Tavrel.exe ReadMe.txt LICENSE THIRD-PARTY-NOTICES.txt)

rm -rf "$dist"
mkdir -p "$dist"
python3 - "$dist/$name.zip" "$epoch" "$package" "${entries[@]}" <<'EOF'
import os, sys, time, zipfile
out, epoch, folder, names = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4:]
# Zip times are local times from 1980 on, two seconds apart; this one is UTC.
stamp = time.gmtime(max(epoch, 315532800))[:6]
with zipfile.ZipFile(out, "w") as z:
    for name in names:
        info = zipfile.ZipInfo(os.path.basename(folder) + "/" + name, stamp)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 0  # MS-DOS attributes, no Unix modes
        info.external_attr = 0
        with open(os.path.join(folder, name), "rb") as f:
            z.writestr(info, f.read(), compresslevel=9)
EOF
# The zip holds exactly those entries, in their folder, each as written.
python3 - "$dist/$name.zip" "$package" "${entries[@]}" <<'EOF' || { rm -rf "$dist"; exit 1; }
import os, sys, zipfile
out, folder, names = sys.argv[1], sys.argv[2], sys.argv[3:]
prefix = os.path.basename(folder) + "/"
with zipfile.ZipFile(out) as z:
    found = z.namelist()
    wanted = [prefix + n for n in names]
    if found != wanted:
        sys.exit("release: FAIL: the zip holds %s, not %s" % (found, wanted))
    for n in names:
        with open(os.path.join(folder, n), "rb") as f:
            if z.read(prefix + n) != f.read():
                sys.exit("release: FAIL: %s in the zip differs from %s" % (n, os.path.join(folder, n)))
print("release: the zip holds " + ", ".join(found))
EOF
cp "$first/app/Tavrel.debug" "$dist/$name.debug"
# The Windows test bundle, Tavrel-<version>-tests-win32.zip, listed in
# SHA256SUMS too (scripts/test-bundle.sh); its Tavrel.exe is this one.
tests=Tavrel-$version-tests-win32
bash "$root/scripts/test-bundle.sh" "$dist/$tests.zip" "$first/app/Tavrel.exe" | sed 's/^/release: /'
# CR LF, so that Notepad on Windows 7 shows one checksum a line to those who
# compare with certutil or Get-FileHash; sha256sum -c reads it as well.
(cd "$dist" && sha256sum "$name.zip" "$name.debug" "$tests.zip" | sed 's/$/\r/' >SHA256SUMS &&
  sha256sum --quiet -c SHA256SUMS)

echo "release: Tavrel.exe $(stat -c %s "$package/Tavrel.exe") bytes, $name.zip $(stat -c %s "$dist/$name.zip") bytes"
tr -d '\r' <"$dist/SHA256SUMS" | sed 's/^/release: /'
if cmp -s "$first/app/Tavrel.exe" "$build/app/Tavrel.exe"; then
  echo "release: $build/app/Tavrel.exe, the one scripts/test.sh tests, is the same file"
fi
echo "release: $dist/$name.zip"
