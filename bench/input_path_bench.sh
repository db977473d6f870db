#!/usr/bin/env bash
# What the readout costs the mouse's input path: Tavrel.exe against a reader
# with the same DirectInput set-up whose window only pumps messages
# (reference_reader.exe), both reading real X pointer motion under Wine. The
# two run in turn, one at a time, in interleaved rounds (reference, Tavrel,
# reference, Tavrel...), so that both see the same machine.
#
#   input_path_bench.sh BUILD_DIR [--rounds N] [--rates "125 250 ..."] [--steady-only | --replay-only]
#                       [--tavrel EXE] [--out DIR] [--calls]
#
# --tavrel measures another build's Tavrel.exe, with the reference reader and
# the helpers of BUILD_DIR; --out puts the raw output and the report in DIR
# (a previous run's files there are removed) instead of
# BUILD_DIR/bench-out/input_path.
#
# --calls also counts the requests Wine's server serves during each steady
# motion, by thread: Wine's server is restarted to print every request
# (wineserver -d2, into DIR/server.log, which grows fast: see
# docs/benchmarks.md; so best with --rounds 1 and few rates). Unlike the
# rates, the counts come out the same in every run.
#
# Steady motion: at each rate the pointer moves over the reader's window at
# absolute deadlines (xmotion) for a few seconds; the rate each reader shows at
# the end is compared, per round. Irregular timing: seeded sequences of report
# times (input_path.py gen) are replayed through X at their absolute times
# (xmotion --replay, which logs when each step was really sent), and every
# line each reader shows is scored against those true intervals. Raw output
# goes to BUILD_DIR/bench-out/input_path (or --out); input_path.py report
# re-scores it.
# Figures only; nothing passes or fails.
#
# Uses the running X display and Wine prefix when DISPLAY and WINEPREFIX are
# set (scripts/bench.sh); otherwise starts both (scripts/wine-env.sh).
set -uo pipefail
build=$(cd "${1:?build dir}" && pwd); shift
rounds=3
rates="125 250 500 1000 2000"
parts="steady replay"
tavrel=$build/app/Tavrel.exe
out=$build/bench-out/input_path
calls=
while [ $# -gt 0 ]; do
  case "$1" in
  --rounds) rounds=$2; shift 2 ;;
  --rates) rates=$2; shift 2 ;;
  --steady-only) parts=steady; shift ;;
  --replay-only) parts=replay; shift ;;
  --tavrel) tavrel=$2; shift 2 ;;
  --out) out=$2; shift 2 ;;
  --calls) calls=1; shift ;;
  *) echo "input_path_bench: unknown argument $1" >&2; exit 2 ;;
  esac
done
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=$tavrel
reader=$build/bench/reference_reader.exe
probe_exe=$build/tests/e2e/tavrel_probe.exe
xmotion=$build/tests/e2e/xmotion
for f in "$exe" "$reader" "$probe_exe" "$xmotion"; do
  [ -f "$f" ] || { echo "input_path_bench: $f is not built" >&2; exit 1; }
done
pid=
own_env=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  if [ -n "$calls" ]; then
    wineserver -k
    [ -n "$own_env" ] || wineserver -p # the caller's server, without the printing
  fi
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
rm -f "$out"/steady-* "$out"/replay-* "$out"/report.txt "$out"/server.log
if [ -n "$calls" ]; then
  # Appended to, so that the marks written around each motion stay in place.
  wineserver -k
  wineserver -f -p -d2 >>"$out/server.log" 2>&1 &
  timeout 60 wine "$reader" 1 </dev/null >/dev/null 2>&1 || true # Wine's services start
fi
# mark TEXT: a line in the server's log between the requests before and after.
mark() { [ -z "$calls" ] || echo "=== $1" >>"$out/server.log"; }

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

# start_tavrel: starts Tavrel and sets x y w h to its list's rectangle.
start_tavrel() {
  timeout 300 wine "$exe" </dev/null >/dev/null 2>&1 &
  pid=$!
  local where
  where=$(probe find 60000) || { echo "input_path_bench: the dialog did not appear" >&2; exit 1; }
  eval "$(echo "$where" | tr ' ' '\n' | grep -E '^(x|y|w|h)=-?[0-9]+$')"
}

# finish READER FILE: after the motion, takes what the reader shows and ends it.
finish() {
  if [ "$1" = tavrel ]; then
    sleep 0.3 # the last tick's lines
    probe read >"$2"
    probe close ok 10000 >/dev/null
  fi
  wait "$pid" 2>/dev/null
  pid=
}

load() { echo "load: $(uptime | sed 's/.*load average/load average/')"; }

echo "input path: reference reader vs Tavrel.exe, $rounds interleaved rounds"
load
if [[ $parts == *steady* ]]; then
  for ((round = 1; round <= rounds; round++)); do
    for hz in $rates; do
      s=$(motion_seconds "$hz")
      period_us=$((1000000 / hz))
      for who in ref tavrel; do
        base=$out/steady-$hz-r$round-$who
        if [ "$who" = ref ]; then start_ref "$(echo "$s + 1" | bc)" "$base.txt"; else start_tavrel; fi
        mark "motion $(basename "$base")"
        "$xmotion" "$x" "$y" "$w" "$h" "$period_us" "$s" >"$base.motion"
        mark end
        finish "$who" "$base.txt"
      done
    done
    echo "steady round $round done ($(date +%T))"
  done
  load
fi
if [[ $parts == *replay* ]]; then
  python3 "$here/input_path.py" gen "$out"
  for ((round = 1; round <= rounds; round++)); do
    for times in "$out"/replay-*.times; do
      name=$(basename "$times" .times)
      span=$(tail -1 "$times")
      for who in ref tavrel; do
        base=$out/$name-r$round-$who
        if [ "$who" = ref ]; then
          start_ref "$(echo "$span / 1000 + 1.5" | bc -l)" "$base.txt"
        else
          start_tavrel
        fi
        "$xmotion" --replay "$times" "$x" "$y" "$w" "$h" >"$base.sent"
        finish "$who" "$base.txt"
      done
    done
    echo "replay round $round done ($(date +%T))"
  done
  load
fi
python3 "$here/input_path.py" report "$out" | tee "$out/report.txt"
