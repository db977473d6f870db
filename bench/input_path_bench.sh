#!/usr/bin/env bash
# What the readout costs the mouse's input path: Tavrel.exe against a reader
# with the same DirectInput set-up whose window only pumps messages
# (reference_reader.exe), both reading real X pointer motion under Wine. The
# readers run in turn, one at a time, in interleaved rounds (reference, Tavrel,
# reference, Tavrel...), so that all see the same machine. At each rate the
# pointer moves over the reader's window at absolute deadlines (xmotion) for
# a few seconds; the rate each reader shows at the end is compared, per round.
# Figures only; nothing passes or fails.
#
#   input_path_bench.sh BUILD_DIR [--rounds N] [--rates "125 250 ..."] [--tavrel EXE]... [--out DIR]
#
# --tavrel measures another build's Tavrel.exe, with the reference reader and
# the helpers of BUILD_DIR; given more than once, every build runs in every
# round (reference, tavrel1, tavrel2, ...), each compared with the reference
# of its own round, so that two builds are compared in one run. --out puts
# the raw output and the report in DIR (a previous run's files there are
# removed) instead of BUILD_DIR/bench-out/input_path; input_path.py report
# re-scores it.
#
# Uses the running X display and Wine prefix when DISPLAY and WINEPREFIX are
# set (scripts/bench.sh); otherwise starts both (scripts/wine-env.sh).
set -uo pipefail
build=$(cd "${1:?build dir}" && pwd); shift
rounds=3
rates="125 250 500 1000 2000"
tavrels=()
out=$build/bench-out/input_path
while [ $# -gt 0 ]; do
  case "$1" in
  --rounds) rounds=$2; shift 2 ;;
  --rates) rates=$2; shift 2 ;;
  --steady-only) shift ;; # the only part; accepted as before
  --tavrel) tavrels+=("$2"); shift 2 ;;
  --out) out=$2; shift 2 ;;
  *) echo "input_path_bench: unknown argument $1" >&2; exit 2 ;;
  esac
done
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ ${#tavrels[@]} -gt 0 ] || tavrels=("$build/app/Tavrel.exe")
# The readers of a round and their labels in file names: "tavrel" for one
# build, tavrel1, tavrel2, ... for several.
readers=(ref)
declare -A exe_of
if [ ${#tavrels[@]} -eq 1 ]; then
  readers+=(tavrel) exe_of[tavrel]=${tavrels[0]}
else
  for i in "${!tavrels[@]}"; do readers+=("tavrel$((i + 1))") exe_of[tavrel$((i + 1))]=${tavrels[$i]}; done
fi
reader=$build/bench/reference_reader.exe
probe_exe=$build/tests/e2e/tavrel_probe.exe
xmotion=$build/tests/e2e/xmotion
for f in "${tavrels[@]}" "$reader" "$probe_exe" "$xmotion"; do
  [ -f "$f" ] || { echo "input_path_bench: $f is not built" >&2; exit 1; }
done
pid=
own_env=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$own_env" ] && wine_env_cleanup
  return 0
}
if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
  . "$here/../scripts/wine-env.sh"
  wine_env_start "$build"
  own_env=1
  # A new prefix goes on setting itself up for a while after its first
  # program; a short run of the reader lets that happen before any round.
  timeout 60 wine "$reader" 2 </dev/null >/dev/null 2>&1 || true
  sleep 5
fi
# After wine_env_start, which sets a trap of its own.
trap cleanup EXIT
mkdir -p "$out"
rm -f "$out"/steady-* "$out"/report.txt "$out"/readers.txt
# Seconds of steady motion per rate: long enough for the list to fill (1024
# lines) before the last second, which is what the rate shown covers.
motion_seconds() {
  case "$1" in
  125) echo 9.5 ;;
  250) echo 5 ;;
  *) echo 3 ;;
  esac
}

probe() { wine "$probe_exe" "$@" </dev/null | tr -d '\r'; }

# start_ref SECONDS FILE: starts the reference reader for SECONDS and sets
# x y w h to a list-sized rectangle in the middle of its window.
start_ref() {
  timeout 300 wine "$reader" "$1" </dev/null >"$2" 2>/dev/null &
  pid=$!
  local i
  for ((i = 0; i < 600; i++)); do
    grep -q '^ready' "$2" 2>/dev/null && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  local ready
  ready=$(grep '^ready' "$2" | tr -d '\r') || { echo "input_path_bench: the reference reader did not start" >&2; exit 1; }
  eval "$(echo "$ready" | tr ' ' '\n' | grep -E '^(x|y|w|h)=-?[0-9]+$')"
  x=$((x + w / 2 - 40)) y=$((y + h / 2 - 125)) w=80 h=250
}

# start_tavrel EXE: starts that Tavrel and sets x y w h to its list's rectangle.
start_tavrel() {
  timeout 300 wine "$1" </dev/null >/dev/null 2>&1 &
  pid=$!
  local where
  where=$(probe find 60000) || { echo "input_path_bench: the dialog did not appear" >&2; exit 1; }
  eval "$(echo "$where" | tr ' ' '\n' | grep -E '^(x|y|w|h)=-?[0-9]+$')"
}

# finish READER FILE: after the motion, takes what the reader shows and ends it.
finish() {
  if [ "$1" != ref ]; then
    sleep 0.3 # the last tick's lines
    probe read >"$2"
    probe close ok 10000 >/dev/null
  fi
  wait "$pid" 2>/dev/null
  pid=
}

load() { echo "load: $(uptime | sed 's/.*load average/load average/')"; }

echo "input path: reference reader vs Tavrel.exe, $rounds interleaved rounds"
for who in "${readers[@]:1}"; do echo "$who: ${exe_of[$who]}" | tee -a "$out/readers.txt"; done
load
for ((round = 1; round <= rounds; round++)); do
  for hz in $rates; do
    s=$(motion_seconds "$hz")
    period_us=$((1000000 / hz))
    for who in "${readers[@]}"; do
      base=$out/steady-$hz-r$round-$who
      if [ "$who" = ref ]; then start_ref "$(echo "$s + 1" | bc)" "$base.txt"; else start_tavrel "${exe_of[$who]}"; fi
      "$xmotion" "$x" "$y" "$w" "$h" "$period_us" "$s" >"$base.motion"
      finish "$who" "$base.txt"
    done
  done
  echo "round $round done ($(date +%T))"
done
load
python3 "$here/input_path.py" report "$out" | tee "$out/report.txt"
