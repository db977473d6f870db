#!/usr/bin/env bash
# Sets up the machine, builds Tavrel.exe and runs it under Wine, in a Wine
# prefix kept between runs (build/wineprefix-run; made again only when it is
# missing, unfinished or made by another version of Wine).
#
# With an X display (DISPLAY set) the program opens on it; move the mouse over
# it and close it to end. Without one, a headless demonstration: a private
# Xvfb, the program in a Wine virtual desktop (so that its window has a caption
# bar), steady synthetic pointer motion at 125 Hz for a few seconds; then the
# last lines and the rate it shows are printed, a screenshot of the dialog is
# written to build/screenshot.png, and the program is closed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TAVREL_BUILD_DIR:-$root/build}
started=$(date +%s.%N)
since_start() { awk -v s="$started" -v n="$(date +%s.%N)" 'BEGIN { printf "%.1f s", n - s }'; }

exe="$build/app/Tavrel.exe"
probe_exe="$build/tests/e2e/tavrel_probe.exe"
. "$root/scripts/wine-env.sh"

# Only the program is built; the headless demonstration also needs the probe,
# which reads and closes the dialog from another process, and the pointer
# helper. The build runs while Wine starts.
targets=(Tavrel)
[ -n "${DISPLAY:-}" ] || targets+=(tavrel_probe xmotion)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "${targets[@]}" &
building=$!
wine_env_start "$build" "$build/wineprefix-run"   # a private Xvfb when DISPLAY is unset
wait "$building" || { echo "run: the build failed" >&2; exit 1; }

if [ -z "${TAVREL_XVFB_PID:-}" ]; then
  echo "run: Tavrel.exe on $DISPLAY; close its window to end"
  rc=0
  wine "$exe" || rc=$?
  exit "$rc"
fi

probe() { TAVREL_DESKTOP=Tavrel wine "$probe_exe" "$@" </dev/null | tr -d '\r'; }

wine explorer /desktop=Tavrel,800x600 "$exe" </dev/null >/dev/null 2>&1 &
app=$!
where=$(probe find 60000) || { echo "run: the dialog did not appear" >&2; exit 1; }
echo "run: the dialog appeared $(since_start) after the start of run.sh"
eval "$(echo "$where" | tr ' ' '\n' | grep -E '^d?(x|y|w|h)=-?[0-9]+$')"

# The virtual desktop sits at the screen's origin, so desktop and X
# coordinates agree.
echo "run: moving the pointer over the list at 125 Hz for 4 s"
"$build/tests/e2e/xmotion" "$x" "$y" "$w" "$h" 8000 4

readout=$(probe read)
echo "run: the last lines of the list:"
echo "$readout" | grep '^line=' | tail -8 | sed 's/^line=/    /'
echo "run: $(echo "$readout" | grep '^count=' | sed 's/count=//') lines; rate shown: $(echo "$readout" | grep '^rate=' | sed 's/rate=//')"

shot="$build/screenshot.png"
xwd -root -silent | convert xwd:- -crop "${dw}x${dh}+${dx}+${dy}" +repage "$shot"
echo "run: screenshot of the dialog: $shot"

probe close ok
probe gone 30000 >/dev/null || true
wait "$app" || true
