#!/usr/bin/env bash
# The Windows test bundle: Tavrel.exe and every test suite of one build, the
# whole-program check (tavrel_probe), the runner (tavrel_run_tests) with
# run-tests.cmd and README.txt, and the licences, in a zip whose entries lie in a folder named
# after it.
#
#   test-bundle.sh ZIP [EXE]     builds (scripts/build.sh) and writes ZIP; with
#                                EXE, the bundle's Tavrel.exe must be that file
#   test-bundle.sh --run BUILD   packs BUILD's bundle in a temporary folder,
#                                unzips it into a folder whose path has a space
#                                and runs its run-tests.cmd under the caller's
#                                Wine; fails when that fails, or when the run
#                                leaves anything behind but results.txt
#
# What goes in comes from the build (test-bundle-files.txt, written by
# tests/bundle/CMakeLists.txt), so a new suite is packed without being named
# here. The test programs are stripped, the text files get CR LF line ends,
# and every entry carries the time of the last commit (or SOURCE_DATE_EPOCH).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export LC_ALL=C

# pack BUILD ZIP
pack() {
  local build=$1 zip=$2 name stage version epoch f
  name=$(basename "$zip" .zip)
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}
  stage=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-bundle.XXXXXX")
  mkdir "$stage/$name"
  while read -r f; do
    case "$f" in
    */Tavrel.exe) cp "$f" "$stage/$name/" ;;  # stripped already, as released
    *.exe) i686-w64-mingw32-strip -o "$stage/$name/$(basename "$f")" "$f" ;;
    *) sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$f" >"$stage/$name/$(basename "$f")" ;;
    esac
  done <"$build/test-bundle-files.txt"
  # Tavrel's licence; GoogleTest's, whose code every test program carries;
  # and the notices of the runtime that Tavrel.exe and the test programs
  # alike link in (scripts/notices.py, from Tavrel.exe's link).
  sed -e 's/$/\r/' "$root/LICENSE" >"$stage/$name/LICENSE.txt"
  sed -e 's/$/\r/' /usr/share/doc/googletest/copyright >"$stage/$name/GoogleTest-LICENSE.txt"
  python3 "$root/scripts/notices.py" "$build/app/Tavrel.map" "$build/app/Tavrel.debug" \
    "$stage/notices.txt" >/dev/null
  sed -e 's/$/\r/' "$stage/notices.txt" >"$stage/$name/THIRD-PARTY-NOTICES.txt"
  rm "$stage/notices.txt"
  rm -f "$zip"
  python3 - "$zip" "$epoch" "$stage/$name" <<'PY'
import os, sys, time, zipfile
out, epoch, folder = sys.argv[1], int(sys.argv[2]), sys.argv[3]
stamp = time.gmtime(max(epoch, 315532800))[:6]
with zipfile.ZipFile(out, "w") as z:
    for name in sorted(os.listdir(folder)):
        info = zipfile.ZipInfo(os.path.basename(folder) + "/" + name, stamp)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 0  # MS-DOS attributes, no Unix modes
        with open(os.path.join(folder, name), "rb") as f:
            z.writestr(info, f.read(), compresslevel=9)
PY
  rm -rf "$stage"
}

if [ "${1:-}" = --run ]; then
  build=${2:?usage: test-bundle.sh --run BUILD}
  work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-bundle-run.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  pack "$build" "$work/Tavrel-tests-win32.zip"
  python3 -m zipfile -e "$work/Tavrel-tests-win32.zip" "$work/Tavrel tests"
  dir="$work/Tavrel tests/Tavrel-tests-win32"
  before=$(ls -A "$dir")
  temp_before=$(find "${WINEPREFIX:?the Wine environment of scripts/wine-env.sh}/drive_c" -name '*.tmp' | sort)
  start=$(date +%s)
  set +e
  (cd "$dir" && wine cmd /c run-tests.cmd </dev/null) | tr -d '\r'
  status=${PIPESTATUS[0]}
  set -e
  echo "test-bundle: run-tests.cmd took $(($(date +%s) - start)) s and exited with $status"
  [ -f "$dir/results.txt" ] || { echo "test-bundle: FAIL: no results.txt" >&2; exit 1; }
  tr -d '\r' <"$dir/results.txt" | sed 's/^/results.txt: /'
  left=$(comm -13 <(echo "$before") <(ls -A "$dir"))
  [ "$left" = results.txt ] || { echo "test-bundle: FAIL: the run left: $left" >&2; exit 1; }
  temp_left=$(comm -13 <(echo "$temp_before") <(find "$WINEPREFIX/drive_c" -name '*.tmp' | sort))
  [ -z "$temp_left" ] || { echo "test-bundle: FAIL: the run left temporary files: $temp_left" >&2; exit 1; }
  tail -n1 "$dir/results.txt" | grep -q ' 0 failed,' ||
    { echo "test-bundle: FAIL: results.txt does not end in 0 failed" >&2; exit 1; }
  exit "$status"
fi

zip=${1:?usage: test-bundle.sh ZIP [EXE] | --run BUILD}
build=${TAVREL_BUILD_DIR:-$root/build}
bash "$root/scripts/build.sh" >/dev/null
pack "$build" "$zip"
if [ -n "${2:-}" ] && ! cmp -s "$2" "$build/app/Tavrel.exe"; then
  echo "test-bundle: FAIL: the tests' Tavrel.exe ($build/app/Tavrel.exe) is not $2" >&2
  rm -f "$zip"
  exit 1
fi
echo "test-bundle: $zip, $(stat -c %s "$zip") bytes"
