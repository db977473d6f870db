#!/usr/bin/env bash
# Real pointer motion through the whole program: Tavrel.exe under Wine reads
# the X pointer through Wine's DirectInput, while the X test extension moves
# the pointer over its list at a steady cadence (xmotion, absolute deadlines).
# A probe in another process samples the rate shown twice a second. For each
# cadence it prints the rate shown against the cadence's own rate, while the
# list fills and once it holds 1024 lines. Figures only; nothing passes or fails.
#
#   real_motion.sh BUILD_DIR [HZ:SECONDS ...]   (default 125:30 250:30 500:10 1000:10)
#
# Needs an X display with the XTEST extension and a Wine prefix (scripts/bench.sh
# provides both). Under Wine the dialog's thread also reads the X events that
# become DirectInput reports, so a busy dialog thread merges reports and the
# rate reads low.
set -uo pipefail
build=${1:?build dir}; shift
runs=("$@")
[ ${#runs[@]} -gt 0 ] || runs=(125:30 250:30 500:10 1000:10)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=$build/app/Tavrel.exe
probe_exe=$build/tests/e2e/tavrel_probe.exe
xmotion=$build/tests/e2e/xmotion
for f in "$exe" "$probe_exe" "$xmotion"; do
  [ -f "$f" ] || { echo "real_motion: $f is not built" >&2; exit 1; }
done
[ -n "${DISPLAY:-}" ] || { echo "real_motion: no X display (DISPLAY is unset)" >&2; exit 1; }

probe() { wine "$probe_exe" "$@" </dev/null | tr -d '\r'; }
app_pid=
trap '[ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null' EXIT

echo "real motion: rate shown (sampled every 0.5 s, from 2 s after the motion starts) against the pointer's cadence"
for run in "${runs[@]}"; do
  hz=${run%%:*} seconds=${run##*:}
  period_us=$((1000000 / hz))
  timeout $((seconds + 120)) wine "$exe" </dev/null >/dev/null 2>&1 &
  app_pid=$!
  where=$(probe find 60000) || { echo "real_motion: the dialog did not appear" >&2; exit 1; }
  eval "$(echo "$where" | tr ' ' '\n' | grep -E '^(x|y|w|h)=-?[0-9]+$')"
  samples=$(mktemp)
  probe watch 500 $((seconds + 1)) >"$samples" &
  watch_pid=$!
  moved=$("$xmotion" "$x" "$y" "$w" "$h" "$period_us" "$seconds")
  wait "$watch_pid"
  python3 "$here/real_motion_report.py" "$hz" "$moved" <"$samples"
  rm -f "$samples"
  probe close ok >/dev/null
  wait "$app_pid" 2>/dev/null
  app_pid=
done
