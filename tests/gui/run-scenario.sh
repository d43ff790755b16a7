#!/usr/bin/env bash
# run-scenario.sh BUILD_DIR PREFIX SCENARIO
#   PREFIX    pfx64 | pfx32: the throwaway test prefix below BUILD_DIR/velmora-wine
#   SCENARIO  MainDialog | AboutBox | CleanUpNo | Cancel | CleanUpYes | RunIgnoresClicks |
#             PlantedDlls
#
# Runs the real Velmora.exe in the prefix on a virtual display of its own and drives it
# from outside with velmora_gui_driver.exe: reads its controls, opens its menus and boxes,
# presses its buttons. Screenshots go to BUILD_DIR/gui-artifacts/PREFIX/. The scenarios
# that need an installation to act on lay the VARNO 2017 packages into the prefix first
# (tests/e2e/install-fixtures.sh) and check the prefix afterwards (check-fixtures.sh):
#   MainDialog        the dialog as it starts: list, radio buttons, buttons, system menu
#   AboutBox          the system menu's last entry opens the About box, so do the command ids
#   CleanUpNo         CleanUp asks; No leaves the dialog open and the installation whole
#   Cancel            Cancel ends Velmora and leaves the installation whole
#   CleanUpYes        CleanUp asks; Yes removes the installation and Velmora ends
#   RunIgnoresClicks  CleanUp, Cancel, Escape and the close button during the run are not
#                     acted upon: the run completes, and then Velmora ends
#   PlantedDlls       started beside fakes of system DLLs, the dialog opens and closes,
#                     and none of the fakes was loaded
# Which packages: on the 32-bit prefix the 32-bit ones. On the 64-bit prefix the dialog
# starts with "64 Bit" checked, so the scenarios that keep the choice use the 64-bit
# packages; RunIgnoresClicks first clicks "32 Bit" and uses the 32-bit packages, so that
# the choice made in the dialog is what the run follows.
set -euo pipefail
GUI_SELF=gui-scenario
GUI_BUILD=$(cd "$1" && pwd)
prefix=$2
scenario=$3
here=$(cd "$(dirname "$0")" && pwd)
e2e=$(cd "$here/../e2e" && pwd)
# shellcheck source-path=SCRIPTDIR
. "$here/gui-lib.sh"

case "$prefix" in pfx64 | pfx32) ;; *) gui_die "unknown prefix '$prefix'" ;; esac
gui_init
trap gui_teardown EXIT
gui_use_prefix "$GUI_BUILD/velmora-wine/$prefix"
art="$GUI_BUILD/gui-artifacts/$prefix"
mkdir -p "$art"
t_start=$(gui_now)

step() { echo "=== $*"; }

arch=x86
if [ "$prefix" = pfx64 ] && [ "$scenario" != RunIgnoresClicks ]; then arch=x64; fi

install_fixtures() {
  local t0
  t0=$(gui_now)
  step "installing the VARNO 2017 packages ($arch)"
  bash "$e2e/install-fixtures.sh" --arch "$arch" "$GUI_BUILD/msi"
  echo "(installation ready after $(gui_elapsed "$t0") s)"
}

# Asserts the installation's state; the whole list of checks goes to the artifacts.
check_fixtures() {   # installed | removed
  local log="$art/$scenario-fixtures-$1.log" rc=0
  step "checking that the installation is $1 ($arch)"
  bash "$e2e/check-fixtures.sh" --arch "$arch" "$1" >"$log" 2>&1 || rc=$?
  grep -E '^FAIL' "$log" | head -n 40 || true
  tail -n 1 "$log"
  [ "$rc" = 0 ] || { echo "check-fixtures $1 failed; all checks in $log"; return 1; }
}

start_velmora() {   # [Windows folder]
  step "starting Velmora.exe on display $DISPLAY"
  gui_start_velmora "$@"
  gui_drive wait-dialog 60
}

velmora_ended() {
  gui_wait_velmora 30 || { echo "FAIL  the Velmora process did not end"; return 1; }
}

step "$prefix: $scenario"
gui_wait_desktop_gone
gui_start_display
gui_prefix_settings N
gui_stage

case "$scenario" in
  MainDialog)
    start_velmora
    gui_shot "$art/main-dialog.png"
    gui_drive check-main "$prefix"
    gui_drive check-system-menu
    gui_drive click-cancel
    gui_drive wait-exit 30 --no-installer
    velmora_ended
    ;;
  AboutBox)
    start_velmora
    gui_drive open-system-menu
    gui_shot "$art/system-menu.png"
    gui_drive choose-last-menu-item
    gui_shot "$art/about-box.png"
    gui_drive close-about
    gui_drive open-about 0x10
    gui_drive close-about
    # The system keeps the low four bits of a system command for its own use.
    gui_drive open-about 0x1F
    gui_drive close-about
    gui_drive check-main "$prefix"
    gui_drive click-cancel
    gui_drive wait-exit 30 --no-installer
    velmora_ended
    ;;
  CleanUpNo)
    install_fixtures
    start_velmora
    gui_drive click-cleanup
    gui_drive check-question
    gui_shot "$art/question.png"
    gui_drive answer no
    gui_drive expect-idle 3
    gui_drive check-main "$prefix"
    # A later CleanUp asks again.
    gui_drive click-cleanup
    gui_drive check-question
    gui_drive answer no
    gui_drive expect-idle 1
    gui_drive click-cancel
    gui_drive wait-exit 30 --no-installer
    velmora_ended
    check_fixtures installed
    ;;
  Cancel)
    install_fixtures
    start_velmora
    gui_drive click-cancel
    gui_drive wait-exit 30 --no-installer
    velmora_ended
    check_fixtures installed
    ;;
  CleanUpYes)
    install_fixtures
    check_fixtures installed
    start_velmora
    gui_drive click-cleanup
    gui_drive check-question
    gui_drive answer yes
    gui_drive wait-exit 300 --installer
    velmora_ended
    check_fixtures removed
    ;;
  RunIgnoresClicks)
    install_fixtures
    check_fixtures installed
    start_velmora
    [ "$prefix" = pfx64 ] && gui_drive choose-view 32
    gui_drive click-cleanup
    gui_drive check-question
    gui_drive answer yes
    gui_drive clicks-during-run 300
    velmora_ended
    check_fixtures removed
    ;;
  PlantedDlls)
    # A folder a standard user may write to, as Downloads is.
    planted="$WINEPREFIX/drive_c/velmora-downloads"
    rm -rf "$planted" && mkdir "$planted"
    cp "$GUI_BUILD/app/Velmora.exe" "$GUI_BUILD"/tests/gui/planted/*.dll "$planted/"
    echo "planted: $(cd "$planted" && echo ./*.dll)"
    start_velmora 'C:\velmora-downloads'
    gui_drive click-cancel
    gui_drive wait-exit 30 --no-installer
    velmora_ended
    loaded=$(cd "$planted" && find . -name '*.loaded' | sort | tr '\n' ' ')
    [ -z "$loaded" ] || { echo "FAIL  DLLs planted beside Velmora.exe were loaded: $loaded"; exit 1; }
    echo "PASS  no DLL planted beside Velmora.exe was loaded"
    ;;
  *) gui_die "unknown scenario '$scenario'" ;;
esac
echo "$prefix.$scenario: done in $(gui_elapsed "$t_start") s"
