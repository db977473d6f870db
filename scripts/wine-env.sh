# Sourced by the scripts that run Windows programs: a throw-away Wine prefix in
# the build tree, one wineserver kept alive for the whole run, and an X display
# (a private Xvfb when none is set). Everything started here is stopped on exit.
#   wine_env_start <build-dir>

wine_env_cleanup() {
  if [ -n "${WINEPREFIX:-}" ] && command -v wineserver >/dev/null; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "${TAVREL_XVFB_PID:-}" ]; then
    kill "$TAVREL_XVFB_PID" >/dev/null 2>&1 || true
    wait "$TAVREL_XVFB_PID" 2>/dev/null || true
  fi
}

wine_env_start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -ac >/dev/null 2>&1 &
    TAVREL_XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
      if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
        export DISPLAY=":$n"
        echo "wine-env: started Xvfb on $DISPLAY"
        return 0
      fi
      kill -0 "$TAVREL_XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$TAVREL_XVFB_PID" >/dev/null 2>&1 || true
  done
  echo "wine-env: could not start Xvfb" >&2
  return 1
}

wine_env_start() {
  local build=$1
  export WINEARCH=win32
  export WINEPREFIX="$build/wineprefix"
  export WINEDEBUG=-all
  # No Mono or Gecko installer prompts in a fresh prefix.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  trap wine_env_cleanup EXIT

  if [ -z "${DISPLAY:-}" ]; then
    wine_env_start_xvfb
  fi

  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  echo "wine-env: creating Wine prefix $WINEPREFIX"
  # One server for the whole run, so no program pays Wine's start-up again.
  # It is started first so that Wine's own background processes (services,
  # device drivers) begin here, detached from any pipe: begun later by a test,
  # they would inherit its output and hold it open for as long as they live.
  wineserver -p
  wineboot --init </dev/null >/dev/null 2>&1
  # The private Xvfb runs no window manager. Wine hands top-level windows to
  # one and, when hiding such a window, waits for it to confirm the withdrawal;
  # without one that wait runs into its 2 s timeout at every dialog close. So
  # on our own display, Wine keeps its windows to itself.
  if [ -n "${TAVREL_XVFB_PID:-}" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
  fi
}
