#!/usr/bin/env bash
# The whole program under Wine on an X display, driven from outside as a user
# would drive it.
#
#   e2e.sh measure OK|esc|box   start Tavrel.exe, move the pointer over its list
#                               at a steady cadence, read the list and the rate
#                               from another process, check them against the
#                               cadence, close the dialog and check the process
#                               ends with exit code 0 and no window left
#   e2e.sh close ok|esc|box     start it and close it that way; the same exit checks
#   e2e.sh no-dinput            with a stand-in dinput8.dll whose DirectInput8Create
#                               fails: one message box, an empty readout, and a
#                               normal exit once both are closed
#   e2e.sh idle ok|esc|box      start it and leave it without input for 2 s: the
#                               process's CPU time over those 2 s stays under
#                               IDLE_CPU_MS; then the same exit checks
#   e2e.sh stress RUNS          open and close it RUNS times in a row, closing with
#                               OK, Esc and the close box in turn, while the pointer
#                               moves over it every STRESS_PERIOD_US; each run's
#                               process must end within 2 s of the close, with exit
#                               code 0 and no window left
#   e2e.sh dpi DPI [measure]    open it at 96 DPI and at DPI (the prefix's
#                               LogPixels, put back afterwards): the list and
#                               the dialog scale by DPI/96 to within 10%, the
#                               widest line and rate fit their controls, and
#                               with "measure" the steady-cadence check holds;
#                               then the same exit checks
#
# Paths come from the environment: TAVREL_EXE, PROBE_EXE, XMOTION, FAILING_DINPUT8.
# Cadence and tolerances: PERIOD_US (8000, i.e. 125 Hz), MOVE_SECONDS (3),
# IDLE_CPU_MS (200), STRESS_PERIOD_US (1000, i.e. 1000 Hz).
set -uo pipefail

mode=${1:?mode}
how=${2:-ok}
PERIOD_US=${PERIOD_US:-8000}
MOVE_SECONDS=${MOVE_SECONDS:-3}
# Start-up under a loaded Wine can take a while; a window that has not
# appeared by then is a failure, not a slow pass.
FIND_MS=60000

fail() { echo "e2e: FAIL: $*" >&2; exit 1; }

# Preconditions: say exactly what is missing.
[ -n "${DISPLAY:-}" ] || fail "no X display (DISPLAY is unset); run through scripts/test.sh, which starts Xvfb"
xdpyinfo >/dev/null 2>&1 || fail "cannot open the X display $DISPLAY"
command -v wine >/dev/null || fail "wine is not installed (scripts/setup.sh installs it)"
for v in TAVREL_EXE PROBE_EXE; do
  [ -f "${!v:-}" ] || fail "$v does not name a built file: '${!v:-}'"
done

# Wine's console output ends lines with CR LF.
probe() { wine "$PROBE_EXE" "$@" </dev/null | tr -d '\r'; }

app_pid=
motion_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$motion_pid" ] && kill "$motion_pid" 2>/dev/null
  return 0
}
trap cleanup EXIT

# start_app EXE [extra env...]: runs the program in the background; should it
# never exit, it is ended after 180 s (exit code 124).
start_app() {
  local exe=$1; shift
  env "$@" timeout 180 wine "$exe" </dev/null >/dev/null 2>&1 &
  app_pid=$!
}

# Closes the dialog the given way and checks that the window goes and the
# process ends with exit code 0.
close_and_check_exit() {
  probe close "$1" || fail "could not close the dialog with '$1'"
  probe gone 30000 || fail "the dialog is still there after closing it with '$1'"
  wait "$app_pid"
  local rc=$?
  app_pid=
  [ "$rc" -eq 0 ] || fail "the process ended with exit code $rc after closing with '$1'"
  # Nothing of the program is left on screen: no dialog (above), no message box.
  [ "$(probe msgboxes "CMouse::Create failed")" = "boxes=0" ] || fail "a message box of the program is left"
  echo "e2e: closed with '$1'; the process exited with 0 and left no window"
}

find_dialog() {
  local out
  out=$(probe find "$FIND_MS") || fail "the dialog did not appear"
  echo "e2e: found $out"
  eval "$(echo "$out" | tr ' ' '\n' | grep -E '^d?(x|y|w|h)=-?[0-9]+$' | sed 's/^/list_/')"
}

# CPU time (user + system, in ms) used so far by the program's own process:
# the child of the `timeout` that start_app ran. Wine does not keep another
# process's times current for GetProcessTimes, so they are read from the host.
app_cpu_ms() {
  local child hz
  child=$(cat "/proc/$app_pid/task/$app_pid/children" 2>/dev/null) || return 1
  child=${child%% *}
  [ -n "$child" ] && [ -r "/proc/$child/stat" ] || return 1
  hz=$(getconf CLK_TCK)
  # Fields 14 and 15, counted after the parenthesised command name.
  sed 's/^.*) //' "/proc/$child/stat" | awk -v hz="$hz" '{ printf "%d\n", ($12 + $13) * 1000 / hz }'
}

# Sets the display resolution Wine gives every program started from now on.
set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1 \
    || fail "cannot set LogPixels to $1"
}

# Moves the pointer over the list at the steady cadence and checks the
# readout against what the pointer helper did.
measure_cadence() {
  [ -x "${XMOTION:-}" ] || fail "XMOTION does not name the built pointer helper: '${XMOTION:-}'"
  moved=$("$XMOTION" "$list_x" "$list_y" "$list_w" "$list_h" "$PERIOD_US" "$MOVE_SECONDS") \
    || fail "the pointer helper failed"
  echo "e2e: $moved"
  # The lines and the rate are shown on ticks of their own, up to 100 ms and
  # a tick after the last report: the readout is read until two reads, a
  # probe's start apart, agree.
  local again= i
  readout=$(probe read) || fail "could not read the dialog"
  for ((i = 0; i < 20; i++)); do
    again=$(probe read) || fail "could not read the dialog"
    [ "$again" = "$readout" ] && break
    readout=$again
  done
  python3 "$(dirname "$0")/check_readout.py" "$PERIOD_US" "$moved" <<<"$readout" || fail "the readout does not match the motion"
}

case "$mode" in
measure)
  [ -x "${XMOTION:-}" ] || fail "XMOTION does not name the built pointer helper: '${XMOTION:-}'"
  start_app "$TAVREL_EXE"
  find_dialog
  measure_cadence
  close_and_check_exit "$how"
  ;;
dpi)
  dpi=${2:?DPI}
  how=${3:-fits}
  [ -x "${XMOTION:-}" ] || fail "XMOTION does not name the built pointer helper: '${XMOTION:-}'"
  # The prefix's own resolution, then the one under test; LogPixels is read by
  # each program as it starts, so nothing else may start meanwhile (the test
  # runs alone).
  old=$(wine reg query 'HKCU\Control Panel\Desktop' /v LogPixels </dev/null 2>/dev/null | tr -d '\r' |
        awk '$1 == "LogPixels" { print $3 }')
  restore_dpi() {
    if [ -n "$old" ]; then set_dpi "$((old))"
    else wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f </dev/null >/dev/null 2>&1; fi
  }
  trap 'cleanup; restore_dpi' EXIT
  set_dpi 96
  start_app "$TAVREL_EXE"
  find_dialog
  base_w=$list_w base_h=$list_h base_dw=$list_dw base_dh=$list_dh
  close_and_check_exit ok
  set_dpi "$dpi"
  start_app "$TAVREL_EXE"
  find_dialog
  python3 - "$dpi" "$base_w $base_h $base_dw $base_dh" "$list_w $list_h $list_dw $list_dh" <<'PY' || fail "the dialog does not scale with the DPI"
import sys
want = int(sys.argv[1]) / 96
for name, a, b in zip(("list width", "list height", "dialog width", "dialog height"),
                      sys.argv[2].split(), sys.argv[3].split()):
    ratio = int(b) / int(a)
    print("e2e: %s %s -> %s px, %.3f (DPI/96 = %.3f)" % (name, a, b, ratio, want))
    if abs(ratio / want - 1) > 0.10:
        sys.exit(1)
PY
  # The first line is to be a pause, shown as 64.000 ms: the pointer rests a
  # while longer than that after the sampler started (it starts before the
  # dialog shows), as a user's hand does.
  sleep 0.1
  if [ "$how" = measure ]; then
    measure_cadence
  else
    # A few reports.
    "$XMOTION" "$list_x" "$list_y" "$list_w" "$list_h" "$PERIOD_US" 0.1 >/dev/null \
      || fail "the pointer helper failed"
    probe lines 30000 2 >/dev/null || fail "the pointer's motion does not reach the program"
  fi
  first=$(probe read | sed -n 2p)
  [ "$first" = "line=64.000 ms" ] || fail "the first line is not a pause's 64.000 ms: '$first'"
  areas=$(probe widest) || fail "cannot show the widest line and rate"
  # The controls repaint from their message loop: the screen is read again
  # while a text is not there yet, for up to 10 s.
  for ((i = 0; i < 50; i++)); do
    fit=$(xwd -root -silent | convert xwd:- ppm:- | python3 "$(dirname "$0")/check_fit.py" "$areas")
    rc=$?
    [ "$rc" -eq 2 ] || break
    sleep 0.2
  done
  echo "$fit" | sed "s/^/e2e: at $dpi DPI, /"
  [ "$rc" -eq 0 ] || fail "the widest line or rate does not fit at $dpi DPI"
  close_and_check_exit ok
  ;;
close)
  start_app "$TAVREL_EXE"
  find_dialog
  close_and_check_exit "$how"
  ;;
no-dinput)
  [ -f "${FAILING_DINPUT8:-}" ] || fail "FAILING_DINPUT8 does not name the stand-in dinput8.dll: '${FAILING_DINPUT8:-}'"
  # A copy of the unchanged program with the stand-in beside it; Wine prefers
  # the DLL in the program's folder once dinput8 is allowed to be native.
  dir=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-nodinput.XXXXXX")
  trap 'cleanup; rm -rf "$dir"' EXIT
  cp "$TAVREL_EXE" "$dir/Tavrel.exe"
  cp "$FAILING_DINPUT8" "$dir/dinput8.dll"
  start_app "$dir/Tavrel.exe" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}dinput8=n"
  boxes=$(probe msgbox "$FIND_MS" "CMouse::Create failed") || fail "no \"CMouse::Create failed\" message box"
  [ "$boxes" = "boxes=1" ] || fail "expected one message box, saw: $boxes"
  find_dialog
  [ "$(probe msgboxes "CMouse::Create failed")" = "boxes=0" ] || fail "the message box came back"
  readout=$(probe read) || fail "could not read the dialog"
  [ "$readout" = $'count=0\nrate=' ] || fail "the readout is not empty: $readout"
  echo "e2e: one message box; the dialog stayed up with an empty readout"
  close_and_check_exit "$how"
  ;;
idle)
  IDLE_CPU_MS=${IDLE_CPU_MS:-200}
  start_app "$TAVREL_EXE"
  find_dialog
  before=$(app_cpu_ms) || fail "cannot read the program's CPU time from /proc (needs Linux procfs)"
  # The measuring window: nothing moves the pointer for these 2 s.
  sleep 2
  after=$(app_cpu_ms) || fail "the program ended while it was measured"
  used=$((after - before))
  echo "e2e: idle for 2 s: ${used} ms of CPU time (bound ${IDLE_CPU_MS} ms)"
  [ "$(probe lines 0 1 2>/dev/null)" = "count=0" ] \
    || fail "precondition: the program received input during the idle time"
  [ "$used" -lt "$IDLE_CPU_MS" ] || fail "the idle program used ${used} ms of CPU time in 2 s: a thread busy-waits"
  close_and_check_exit "$how"
  ;;
stress)
  RUNS=${2:?number of runs}
  STRESS_PERIOD_US=${STRESS_PERIOD_US:-1000}
  [ -x "${XMOTION:-}" ] || fail "XMOTION does not name the built pointer helper: '${XMOTION:-}'"
  ways=(ok esc box)
  slowest=0
  for ((run = 1; run <= RUNS; run++)); do
    how=${ways[$(((run - 1) % 3))]}
    start_app "$TAVREL_EXE"
    find_dialog >/dev/null
    if [ -z "$motion_pid" ]; then
      # One pointer helper for all runs, over the list where every run's dialog
      # appears; it is stopped once the runs are done.
      "$XMOTION" "$list_x" "$list_y" "$list_w" "$list_h" "$STRESS_PERIOD_US" 3600 >/dev/null &
      motion_pid=$!
    fi
    kill -0 "$motion_pid" 2>/dev/null || fail "the pointer helper stopped"
    # The program is sampling the motion when it is closed.
    probe lines 30000 20 >/dev/null || fail "run $run: the pointer's motion does not reach the program"
    out=$(probe close "$how" 2000) || fail "run $run: the process did not end within 2 s of closing with '$how'"
    wait "$app_pid"
    rc=$?
    app_pid=
    [ "$rc" -eq 0 ] || fail "run $run: the process ended with exit code $rc after closing with '$how'"
    [ "$out" = "${out/code=0/}" ] && fail "run $run: the program's exit code was not 0: $out"
    probe gone 0 || fail "run $run: the dialog is still there after its process ended"
    [ "$(probe msgboxes "CMouse::Create failed")" = "boxes=0" ] || fail "run $run: a message box of the program is left"
    ms=${out#exited_ms=}; ms=${ms%% *}
    [ "$ms" -gt "$slowest" ] && slowest=$ms
    echo "e2e: run $run: closed with '$how' under motion; the process ended ${ms} ms later"
  done
  kill "$motion_pid" 2>/dev/null
  wait "$motion_pid" 2>/dev/null
  motion_pid=
  echo "e2e: $RUNS runs; the slowest process ended ${slowest} ms after its close"
  ;;
*)
  fail "unknown mode $mode"
  ;;
esac
echo "e2e: PASS"
