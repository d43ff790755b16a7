#!/usr/bin/env bash
# run-e2e.sh BUILD_DIR PREFIX ARCH CHOICE [broken]
#   PREFIX  pfx64 | pfx32      the throwaway test prefix below BUILD_DIR/velmora-wine
#   ARCH    x86 | x64          which build of the packages to install
#   CHOICE  32 | 64            the user's choice of installation handed to the cleanup
#   broken                     first plant installs an ordinary uninstall cannot remove: en-US
#                              without its cached package and source (1612), de-DE whose
#                              uninstall fails (1603), fr-FR as an earlier cleanup left it
#                              (1605), and a bystander sharing fr-FR's component
# Installs the VARNO 2017 packages with Wine's own msiexec, checks they are there, runs the
# whole cleanup through the real Windows implementation, and checks that nothing of the
# product remains while every bystander is untouched. With "broken", no record of the 17
# products may remain with the Windows Installer, and the bystanders' may not change; then
# the bystander's uninstall and a fresh install and uninstall of en-US and de-DE must leave
# no file and no component value behind, which also leaves the prefix as a plain run does.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
prefix=$2 arch=$3 choice=$4 broken=${5:-}
export WINEPREFIX="$build/velmora-wine/$prefix" WINEDEBUG=-all
case "$prefix" in pfx64|pfx32) ;; *) echo "run-e2e: unknown prefix $prefix" >&2; exit 2 ;; esac
FX_SELF=run-e2e FX_DIR=$here
# shellcheck source-path=SCRIPTDIR
. "$here/fixtures-lib.sh"
fx_require_prefix
fx_setup_arch "$arch"

bash "$here/install-fixtures.sh" --arch "$arch" ${broken:+--broken} "$build/msi"
bash "$here/check-fixtures.sh" --arch "$arch" installed | tail -n 1

failed=0
check() { if eval "$2"; then echo "PASS  $1"; else echo "FAIL  $1"; failed=1; fi; }
codes=()
while IFS='|' read -r _ kind code _; do [ "$kind" = sibling ] || codes+=("$code"); done < <(fx_products)
uninstall_key() { printf 'HKLM\\SOFTWARE\\%sMicrosoft\\Windows\\CurrentVersion\\Uninstall\\{%s}' "$FX_FORM" "$1"; }
if [ -n "$broken" ]; then
  en=$(fx_edition_code 1033) de=$(fx_edition_code 1031) fr=$(fx_edition_code 1036)
  cached=$(fx_records "${codes[@]}" | sed -n 's/.*    LocalPackage    REG_SZ    //p')
  rm -f "$(fx_unix "$(fx_records "$en" | sed -n 's/.*    LocalPackage    REG_SZ    //p')")"
  rm -f "$(fx_unix "$FX_STAGE_WIN\\$arch\\varno2017-en-US.msi")"
  for key in "HKLM\\SOFTWARE\\Classes\\Installer\\Products\\$(fx_pack "$fr")" "$(uninstall_key "$fr")" \
    "HKLM\\Software\\${FX_FORM}TORVEN\\VARNO\\2017\\fr-FR" 'HKCU\Software\TORVEN\VARNO\2017\fr-FR'; do
    # shellcheck disable=SC2086 # FX_VIEW is one switch or nothing
    fx_wine reg delete "$key" /f $FX_VIEW
  done
  loc=$(fx_unix "$(fx_install_dir edition fr-FR)")
  rm -rf "$loc/fr-FR" "$loc/Support/fr-FR" "$loc/UserDataCache/fr-FR"
  kept_before=$(fx_records "$FX_SIBLING_CODE" "$FX_BYSTANDER_CODE")
fi

# The driver runs from C:\ so that no Unix working folder is handed to Wine.
driver='C:\velmora-e2e\velmora_cleanup_driver.exe'
mkdir -p "$WINEPREFIX/drive_c/velmora-e2e"
cp "$build/tests/e2e/velmora_cleanup_driver.exe" "$WINEPREFIX/drive_c/velmora-e2e/"
out="$build/e2e-$prefix-$arch-$choice${broken:+-broken}.log"
(cd "$WINEPREFIX/drive_c" && wine "$driver" "$choice" >"$out" 2>&1) || { cat "$out"; exit 1; }
cat "$out"

if [ -n "$broken" ]; then
  check "no Windows Installer record of the 17 products remains" '[ -z "$(fx_records "${codes[@]}")" ]'
  while read -r package; do check "cached package $package gone" '[ ! -e "$(fx_unix "$package")" ]'; done <<<"$cached"
  check "VARNO 2018's and the bystander's records unchanged" '[ "$(fx_records "$FX_SIBLING_CODE" "$FX_BYSTANDER_CODE")" = "$kept_before" ]'
  # The orphan's claim on the shared component is gone: the bystander's uninstall removes it.
  check "the bystander's uninstall ends with 0" 'fx_wine msiexec /x "{$FX_BYSTANDER_CODE}" /qn'
  for file in "$(fx_install_dir edition fr-FR)\\edition.dat" "$FX_PF\\MERIDIAN\\Drafter Runtime\\runtime.dat"; do
    check "the bystander's uninstall removed $file" '[ ! -e "$(fx_unix "$file")" ]'
  done
  for edition in "$en en-US" "$de de-DE"; do
    read -r code culture <<<"$edition"
    check "$culture installs afresh" 'fx_wine msiexec /i "$(fx_stage "$build/msi/$arch/varno2017-$culture.msi" "$arch/varno2017-$culture.msi")" /qn'
    check "$culture uninstalls afresh" 'fx_wine msiexec /x "{$code}" /qn'
    check "$culture left no file" '[ ! -e "$(fx_unix "$(fx_install_dir edition "$culture")\\edition.dat")" ]'
    check "$culture left no component value" '! fx_records "$code" | grep -q "|    $(fx_pack "$code")    "'
  done
  # What the packages' uninstall trace wrote after these plain uninstalls.
  for code in "$en" "$de" "$FX_BYSTANDER_CODE"; do
    for key in "HKLM\\SOFTWARE\\Classes\\Installer\\Products\\$(fx_pack "$code")" "$(uninstall_key "$code")"; do
      # shellcheck disable=SC2086 # FX_VIEW is one switch or nothing
      fx_wine reg delete "$key" /f $FX_VIEW || true
    done
  done
fi

bash "$here/check-fixtures.sh" --arch "$arch" removed
exit "$failed"
