#!/usr/bin/env bash
# Runs Velmora's job in a sandbox: builds Velmora.exe, makes (once) a 64-bit Wine prefix of
# its own below the build tree, lays a simulated VARNO 2017 installation into it (the 17
# MSI packages of fixtures/, 32-bit, installed with Wine's msiexec, plus what an ordinary
# uninstall leaves behind and a few bystanders), and shows what is installed. Then:
#   - with a reachable display (DISPLAY): opens Velmora there for you and waits until you
#     close it;
#   - without one: runs Velmora on a virtual display of its own, chooses "32 Bit" (the
#     installation is the 32-bit one), presses CleanUp and answers Yes, and saves
#     screenshots to build/run/;
# and shows what is left. Never touches your own Wine prefix (~/.wine) or the test
# prefixes. Run it again at any time: it installs the simulated installation again.
# On a host that runs 64-bit code only (see host-mode.sh) it runs the 64-bit twin of
# Velmora.exe from build/x64 instead, and says so.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD_DIR:-$here/build}

bash "$here/scripts/build.sh"
build=$(cd "$build" && pwd)
# shellcheck source-path=SCRIPTDIR
. "$here/scripts/host-mode.sh"

GUI_SELF=run
GUI_BUILD=$build
if [ "$VELMORA_HOST_MODE" = 64bit-only ]; then
  echo "run: $VELMORA_HOST_REASON."
  echo "run: running the 64-bit twin of Velmora.exe (build/x64), a test build of the same sources;"
  echo "run: the program to copy to a PC is still the 32-bit build/app/Velmora.exe."
  GUI_BUILD=$build/x64
fi
# shellcheck source-path=SCRIPTDIR/../tests/gui
. "$here/tests/gui/gui-lib.sh"
FX_SELF=run
FX_DIR="$here/tests/e2e"
# shellcheck source-path=SCRIPTDIR/../tests/e2e
. "$FX_DIR/fixtures-lib.sh"

sandbox="$build/velmora-wine/demo"
shots="$build/run"
mkdir -p "$shots"
log="$shots/run.log"
: >"$log"

gui_init
finish() {
  gui_teardown
  # Only the sandbox's own server, never one of a prefix given in the environment.
  WINEPREFIX="$sandbox" wineserver -k 2>/dev/null || true
}
trap finish EXIT

# Where Velmora shows: your display, or a virtual one started before any Wine program runs
# (the sandbox's desktop process takes the display of the first one).
headless=yes
if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  headless=no
else
  gui_start_display
fi

# --- The sandbox prefix, with a wineserver of its own for the run --------------------------
if [ ! -f "$sandbox/system.reg" ]; then
  echo "run: making the sandbox Wine prefix $sandbox (once, about 10 s)"
  mkdir -p "$sandbox"
  WINEPREFIX="$sandbox" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    wineboot -i >>"$log" 2>&1 </dev/null
  WINEPREFIX="$sandbox" wineserver -w
fi
bash "$here/scripts/plain-profile-folders.sh" "$sandbox"
gui_use_prefix "$sandbox"
gui_wait_desktop_gone
wineserver -p >/dev/null 2>&1 </dev/null || true   # one may run already
fx_require_prefix
fx_setup_arch x86

# --- What is there ------------------------------------------------------------------------
summary() {
  local line code state name installed=0 known=() torven files folders keys top root
  declare -A states=()
  mapfile -t products < <(fx_products)
  local codes=()
  for line in "${products[@]}"; do IFS='|' read -r _ _ code _ <<<"$line"; codes+=("$code"); done
  while read -r code state; do states[${code//[\{\}]/}]=$state; done < <(fx_product_states 64 "${codes[@]}")
  echo "  Windows Installer:"
  for line in "${products[@]}"; do
    IFS='|' read -r _ _ code _ _ _ _ name <<<"$line"
    case "${states[$code]:-}" in
      5) state=installed; installed=$((installed + 1)) ;;
      -1) state="not installed" ;;
      *) state="state ${states[$code]:-?}" ;;
    esac
    known+=("$(printf '    %-42s %s' "$name" "$state")")
  done
  printf '%s\n' "${known[@]}"
  torven=$(fx_unix "$FX_PF\\TORVEN")
  if [ -d "$torven" ]; then
    folders=$(find "$torven" -mindepth 1 -type d | wc -l)
    files=$(find "$torven" -type f | wc -l)
    echo "  $FX_PF\\TORVEN: $folders folders, $files files"
    for top in "$torven"/*/; do
      [ -d "$top" ] || continue
      name=${top%/}
      printf '    TORVEN\\%-34s %3d folders, %3d files\n' "${name##*/}" "$(find "$top" -mindepth 1 -type d | wc -l)" \
        "$(find "$top" -type f | wc -l)"
    done
  else
    echo "  $FX_PF\\TORVEN: no such folder"
  fi
  for root in 'HKLM\Software\Wow6432Node\TORVEN' 'HKCU\Software\TORVEN'; do
    keys=$( (cd "$WINEPREFIX/drive_c" && wine reg query "$root" /s </dev/null 2>/dev/null) | tr -d '\r' | grep -c '^HKEY_' || true)
    echo "  registry $root: $keys keys"
  done
}

check_state() {   # installed | removed
  local out="$shots/check-$1.log" rc=0
  bash "$FX_DIR/check-fixtures.sh" --arch x86 "$1" >"$out" 2>&1 || rc=$?
  # After a run on your display (where you may have cancelled) only the count.
  [ "$headless" = no ] || grep -E '^FAIL' "$out" | head -n 20 || true
  echo "  $(tail -n 1 "$out") (expecting: $1; every check in $out)"
  return $rc
}

echo "run: laying the simulated VARNO 2017 installation into the sandbox"
bash "$FX_DIR/install-fixtures.sh" --arch x86 "$build/msi" | sed 's/^/  /'
echo
echo "Before:"
summary
check_state installed || true
echo

# --- Velmora ------------------------------------------------------------------------------
gui_stage
if [ "$headless" = no ]; then
  gui_prefix_settings Y
  echo "run: Velmora opens on your display $DISPLAY. The sandbox holds the 32-bit installation:"
  echo "     choose \"32 Bit\", press CleanUp and answer Yes (or Cancel to leave it all in place)."
  gui_start_velmora
  wait "$GUI_VELMORA_PID" || true
  GUI_VELMORA_PID=""
else
  gui_prefix_settings N
  echo "run: no display; running Velmora on the virtual display $DISPLAY"
  drive() {
    local out="$GUI_TMP/drive.out" rc=0
    gui_drive "$@" >"$out" 2>&1 || rc=$?
    cat "$out" >>"$log"
    grep -E '^(FAIL|NOTE)' "$out" | sed 's/^/  /' || true
    echo "  driver $*: $(tail -n 1 "$out" | sed 's/^gui-driver [^:]*: //')"
    return $rc
  }
  t0=$(gui_now)
  gui_start_velmora
  drive wait-dialog 120 &&
    gui_shot "$shots/1-main-dialog.png" | sed 's/^/  /' &&
    drive choose-view 32 &&
    drive click-cleanup &&
    drive check-question &&
    gui_shot "$shots/2-question.png" | sed 's/^/  /' &&
    drive answer yes &&
    drive wait-exit 600 --installer ||
    echo "run: the dialog did not behave as expected; the driver's whole output is in $log"
  gui_wait_velmora 30 || echo "run: Velmora did not end by itself"
  echo "run: Velmora ran for $(gui_elapsed "$t0") s"
fi
echo

echo "After (what a cleanup leaves on purpose: VARNO 2018, the folders of cultures that are no"
echo "edition, and other bystanders; check-fixtures knows each of them):"
summary
rc=0
check_state removed || rc=$?
if [ "$headless" = yes ]; then
  echo "Screenshots: $shots/1-main-dialog.png, $shots/2-question.png"
  exit $rc
fi
