# shellcheck shell=bash
# Shared by the GUI scenarios (run-scenario.sh) and scripts/run.sh: a virtual display of
# its own, Velmora.exe started in a Wine prefix, the driver that presses its buttons, and
# screenshots. Sourced, not run. Callers set GUI_BUILD (the build tree) first.
#
# Everything a caller starts is ended by gui_teardown (install it with trap ... EXIT):
# Velmora, then the display. Background processes write to files, never to the caller's
# output, so that a Wine helper process cannot hold a test runner's pipe open.

GUI_STAGE_WIN='C:\velmora-gui'
GUI_XVFB_PID=""
GUI_VELMORA_PID=""
GUI_DISPLAY=""

gui_die() { echo "${GUI_SELF:-gui}: $*" >&2; exit 2; }

gui_now() { date +%s.%N; }
gui_elapsed() { awk -v a="$1" -v b="$(gui_now)" 'BEGIN { printf "%.1f", b - a }'; }

# A scratch folder for this run; first of all.
gui_init() {
  GUI_TMP=$(mktemp -d)
}

# Uses the Wine prefix $1 (made already).
gui_use_prefix() {
  [ -f "$1/system.reg" ] || gui_die "'$1' is not an initialised Wine prefix"
  case "$(cd "$1" && pwd)" in
    */.wine) gui_die "refusing the user's own prefix '$1'" ;;
  esac
  export WINEPREFIX
  WINEPREFIX=$(cd "$1" && pwd)
  export WINEDEBUG=-all
}

# A prefix's desktop process (explorer.exe) draws on the display that the first Wine
# program after a quiet spell had, and it lingers a few seconds after the last program
# has ended: a program started meanwhile shows its windows there, or nowhere when that
# program had no display (reg.exe, msiexec.exe). So wait until it is gone before a run
# starts, and start the run's display before its first Wine program.
gui_wait_desktop_gone() {
  local i
  for ((i = 0; i < 300; i++)); do
    [ -z "$(gui_prefix_pids explorer.exe)" ] && return 0
    sleep 0.1
  done
  gui_die "the desktop process of $WINEPREFIX did not end within 30 s"
}

# Runs a Wine program from C:\ of the prefix, its output into a file that is then shown.
gui_wine() {
  local out rc=0
  out="$GUI_TMP/wine.out"
  (cd "$WINEPREFIX/drive_c" && exec wine "$@" >"$out" 2>&1 </dev/null) || rc=$?
  tr -d '\r' <"$out"
  return $rc
}

# Settings that screenshots need: Chinese glyphs for the dialog font, and window captions
# drawn by Wine itself (there is no window manager on the virtual display to draw them).
gui_prefix_settings() {   # decorated: Y (a window manager draws the frames) or N
  gui_wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v Tahoma /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null
  gui_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d "$1" /f >/dev/null
}

# Copies Velmora.exe, the driver and its probe below C:\, so that they run whatever
# drive mapping the prefix has.
gui_stage() {
  local dest="$WINEPREFIX/drive_c/velmora-gui"
  mkdir -p "$dest"
  cp -f "$GUI_BUILD/app/Velmora.exe" "$GUI_BUILD/tests/gui/velmora_gui_driver.exe" \
    "$GUI_BUILD/tests/gui/velmora_gui_probe.dll" "$dest/"
}

# Starts Xvfb on a display number that no other server uses and exports DISPLAY.
gui_start_display() {
  local display_file="$GUI_TMP/display" i
  : >"$display_file"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >"$GUI_TMP/xvfb.log" 2>&1 </dev/null &
  GUI_XVFB_PID=$!
  for ((i = 0; i < 100; i++)); do
    GUI_DISPLAY=$(tr -dc '0-9' <"$display_file")
    [ -n "$GUI_DISPLAY" ] && break
    kill -0 "$GUI_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$GUI_DISPLAY" ] || { cat "$GUI_TMP/xvfb.log" >&2; gui_die "Xvfb did not start"; }
  export DISPLAY=":$GUI_DISPLAY"
}

# Processes of this prefix whose program (a Wine process shows its Windows path there)
# ends in $1, case-insensitively: Unix pids.
gui_prefix_pids() {
  local d program
  shopt -s nocasematch
  for d in /proc/[0-9]*; do
    program=""
    { IFS= read -r -d '' program <"$d/cmdline"; } 2>/dev/null || true
    [[ "$program" == *"$1" || "$program" == *"$1 "* ]] || continue
    tr '\0' '\n' 2>/dev/null <"$d/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "${d#/proc/}"
  done
  shopt -u nocasematch
  return 0
}

# Starts Velmora.exe from the Windows folder $1 (default: where gui_stage put it).
gui_start_velmora() {
  [ -z "$(gui_prefix_pids Velmora.exe)" ] || gui_die "a Velmora.exe already runs in $WINEPREFIX"
  (cd "$WINEPREFIX/drive_c" && exec wine "${1:-$GUI_STAGE_WIN}\\Velmora.exe" >"$GUI_TMP/velmora.log" 2>&1 </dev/null) &
  GUI_VELMORA_PID=$!
}

# Waits for the Velmora started above to end; 1 when it still runs after $1 seconds.
gui_wait_velmora() {
  local i
  for ((i = 0; i < $1 * 10; i++)); do
    kill -0 "$GUI_VELMORA_PID" 2>/dev/null || { wait "$GUI_VELMORA_PID" 2>/dev/null || true; GUI_VELMORA_PID=""; return 0; }
    sleep 0.1
  done
  return 1
}

# One command of the driver; its lines are shown, its status returned.
gui_drive() {
  echo "--- driver: $*"
  gui_wine "$GUI_STAGE_WIN\\velmora_gui_driver.exe" "$@"
}

gui_shot() {   # file
  sleep 1   # let the last window paint
  mkdir -p "$(dirname "$1")"
  import -display "$DISPLAY" -window root "$1"
  echo "screenshot: $1"
}

gui_teardown() {
  local i
  if [ -n "$GUI_VELMORA_PID" ] && kill -0 "$GUI_VELMORA_PID" 2>/dev/null; then
    echo "${GUI_SELF:-gui}: Velmora still runs; ending it" >&2
    kill "$GUI_VELMORA_PID" 2>/dev/null || true
    wait "$GUI_VELMORA_PID" 2>/dev/null || true
    # An installer it started runs on; the next run in the prefix must not meet it.
    for ((i = 0; i < 300; i++)); do
      [ -z "$(gui_prefix_pids msiexec.exe)" ] && break
      sleep 0.1
    done
  fi
  if [ -n "$GUI_XVFB_PID" ]; then
    kill "$GUI_XVFB_PID" 2>/dev/null || true
    wait "$GUI_XVFB_PID" 2>/dev/null || true
    # The prefix's desktop process drew on this display and ends with it.
    for ((i = 0; i < 100; i++)); do
      [ -z "$(gui_prefix_pids explorer.exe)" ] && break
      sleep 0.1
    done
  fi
  [ -n "${GUI_TMP:-}" ] && rm -rf "$GUI_TMP"
  return 0
}
