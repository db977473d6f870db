# Sourced by the scripts that run Windows programs: a Wine prefix, one
# wineserver kept alive for the whole run, and an X display (a private Xvfb
# when none is set). Everything started here is stopped on exit.
#   wine_env_start <build-dir>           a throw-away prefix, <build-dir>/wineprefix,
#                                        made afresh for every run
#   wine_env_start <build-dir> <prefix>  a prefix kept between runs, made only when
#                                        it is missing, unfinished or made by
#                                        another version of Wine

wine_env_cleanup() {
  if [ -n "${WINEPREFIX:-}" ] && [ -n "${WINESERVER:-}" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
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
    # A server in another root (a Debian root of scripts/in-debian.sh, say)
    # has other lock files but the same abstract socket.
    grep -q "@/tmp/.X11-unix/X$n\$" /proc/net/unix 2>/dev/null && continue
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

# Wine's own fonts (Debian's fonts-wine): Marlett, which draws the caption
# buttons, Tahoma, which stands in for "MS Shell Dlg", and the bitmap fonts.
# Debian's Wine 8 looks for them under a path it cannot open
# ("Z:\usr\share\wine\../fonts"), so the prefix gets them where Windows
# keeps its fonts, C:\windows\Fonts, which Wine reads in every process.
wine_env_link_fonts() {
  local fonts=/usr/share/wine/fonts
  [ -d "$fonts" ] || return 0
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  ln -sf "$fonts"/* "$WINEPREFIX/drive_c/windows/Fonts/"
}

# The wineserver of the Wine that runs the programs, exported as WINESERVER,
# which Wine's own loader honours too, so that every program and this script
# talk to one server. Debian 12 and 13 put it on the path; later Debian Wine
# ships it only beside its loader, under /usr/lib/<tuple>/wine/. A server of
# another Wine speaks another protocol, so the one taken must report the same
# version as `wine --version`. A WINESERVER set beforehand is taken as given,
# and must match as well.
wine_env_find_server() {
  local want candidates candidate version
  want=$(wine --version </dev/null) || { echo "wine-env: wine --version failed" >&2; return 1; }
  want=${want#wine-}
  want=${want%% *}
  if [ -n "${WINESERVER:-}" ]; then
    candidates=("$WINESERVER")
  else
    candidates=("$(command -v wineserver || true)" "/usr/lib/$(uname -m)-linux-gnu/wine/wineserver"
                /usr/lib/*/wine/wineserver /usr/lib/wine/wineserver)
  fi
  for candidate in "${candidates[@]}"; do
    [ -n "$candidate" ] && [ -x "$candidate" ] || continue
    # It says its version on standard error.
    version=$("$candidate" --version </dev/null 2>&1) || continue
    version=${version#Wine }
    if [ "${version%% *}" = "$want" ]; then
      WINESERVER=$(readlink -f "$candidate")
      export WINESERVER
      return 0
    fi
  done
  echo "wine-env: no wineserver of Wine $want found (looked at ${candidates[*]});" \
       "set WINESERVER to its path" >&2
  return 1
}

wine_env_start() {
  local build=$1 kept=${2:-}
  # Tavrel is a 32-bit program. The prefix is of the kind that the loader
  # Debian's `wine` runs makes: 32-bit from Wine's 32-bit loader (wine32:i386,
  # which that script prefers on Debian 12 and 13), 64-bit from wine64 (which it
  # prefers from Debian's Wine 10.0~repack-12 on, and which runs 32-bit
  # programs itself there, through WoW64).
  unset WINEARCH
  export WINEPREFIX="${kept:-$build/wineprefix}"
  export WINEDEBUG=-all
  # No Mono or Gecko installer prompts in a fresh prefix.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  wine_env_find_server
  trap wine_env_cleanup EXIT

  if [ -z "${DISPLAY:-}" ]; then
    wine_env_start_xvfb
  fi

  # A kept prefix names the Wine that made it, and its server (one for each
  # loader), once it is complete.
  local made_by="$WINEPREFIX/.made-by" wine_version
  wine_version="$(wine --version </dev/null) $WINESERVER"
  if [ -n "$kept" ] && [ -f "$WINEPREFIX/system.reg" ] &&
     [ "$(cat "$made_by" 2>/dev/null)" = "$wine_version" ]; then
    echo "wine-env: using Wine prefix $WINEPREFIX"
  else
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    echo "wine-env: creating Wine prefix $WINEPREFIX"
  fi
  wine_env_link_fonts
  # One server for the whole run, so no program pays Wine's start-up again.
  # It is started first so that Wine's own background processes (services,
  # device drivers) begin here, detached from any pipe: begun later by a test,
  # they would inherit its output and hold it open for as long as they live.
  "$WINESERVER" -p
  if [ -f "$WINEPREFIX/system.reg" ]; then
    wineboot </dev/null >/dev/null 2>&1
  else
    wineboot --init </dev/null >/dev/null 2>&1
  fi
  local kind="a 32-bit prefix, through Wine's 32-bit loader"
  if [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
    kind="a 64-bit prefix, through wine64 (WoW64)"
  fi
  echo "wine-env: $(wine --version </dev/null), 32-bit programs in $kind; wineserver $WINESERVER"
  if [ -n "$kept" ]; then
    if [ ! -f "$made_by" ]; then
      # The registry is written out when the server ends: end it (and start
      # it again) before the prefix is named complete.
      "$WINESERVER" -k
      echo "$wine_version" >"$made_by"
      "$WINESERVER" -p
      wineboot </dev/null >/dev/null 2>&1
    fi
    # It serves runs on any display, so it keeps Wine's defaults.
    return 0
  fi
  # The private Xvfb runs no window manager. Wine hands top-level windows to
  # one and, when hiding such a window, waits for it to confirm the withdrawal;
  # without one that wait runs into its 2 s timeout at every dialog close. So
  # on our own display, Wine keeps its windows to itself.
  if [ -n "${TAVREL_XVFB_PID:-}" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
  fi
}
