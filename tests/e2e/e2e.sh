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
#
# Paths come from the environment: TAVREL_EXE, PROBE_EXE, XMOTION, FAILING_DINPUT8.
# Cadence and tolerances: PERIOD_US (8000, i.e. 125 Hz), MOVE_SECONDS (3).
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
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
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
  out=$(probe find "$FIND_MS") || fail "the dialog \"Ombrix's DirectInput Tavrel\" did not appear"
  echo "e2e: found $out"
  eval "$(echo "$out" | tr ' ' '\n' | grep -E '^d?(x|y|w|h)=-?[0-9]+$' | sed 's/^/list_/')"
}

case "$mode" in
measure)
  [ -x "${XMOTION:-}" ] || fail "XMOTION does not name the built pointer helper: '${XMOTION:-}'"
  start_app "$TAVREL_EXE"
  find_dialog
  moved=$("$XMOTION" "$list_x" "$list_y" "$list_w" "$list_h" "$PERIOD_US" "$MOVE_SECONDS") \
    || fail "the pointer helper failed"
  echo "e2e: $moved"
  readout=$(probe read) || fail "could not read the dialog"
  python3 "$(dirname "$0")/check_readout.py" "$PERIOD_US" "$moved" <<<"$readout" || fail "the readout does not match the motion"
  close_and_check_exit "$how"
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
*)
  fail "unknown mode $mode"
  ;;
esac
echo "e2e: PASS"
