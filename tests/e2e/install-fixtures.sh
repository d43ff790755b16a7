#!/usr/bin/env bash
# install-fixtures.sh [--arch x86|x64] [--broken] <msi-build-dir>
#
# Installs a complete VARNO 2017 installation into the Wine prefix named by WINEPREFIX,
# as Wine's own msiexec installs it, plus what an ordinary uninstall leaves behind and the
# bystanders that a cleanup must not touch:
#   1. builds the 18 test packages from fixtures/varno.wxs with wixl into
#      <msi-build-dir>/<arch>/ (15 language editions, the two shared products and the
#      sibling product VARNO 2018), and the two of --broken; a package is rebuilt only
#      when its inputs changed;
#   2. installs each with "msiexec /i <package> /qn" (already installed ones are skipped);
#   3. adds the leftover folders and files, the hidden attributes and the leftover
#      registry keys listed in fixtures-lib.sh.
#
# --arch x86 (default): 32-bit packages, the layout of a 32-bit product: on a 64-bit
#   prefix in "C:\Program Files (x86)" with HKLM keys below Software\Wow6432Node; on a
#   32-bit prefix in "C:\Program Files" with plain keys.
# --arch x64: 64-bit packages (64-bit prefix only): "C:\Program Files", plain keys in the
#   64-bit view. The two cannot be installed at once: they share their product codes.
# --broken: de-DE from the package whose uninstall fails, and the bystander beside fr-FR
#   (fx_broken_products).
#
# Environment: WINEPREFIX (required; never ~/.wine), WINEDEBUG (default -all). Keep a
# "wineserver -p" running for the prefix, or every Wine call pays its start-up.
# check-fixtures.sh asserts the result.
set -euo pipefail

FX_SELF=install-fixtures
FX_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
FX_FIXTURES=$(cd "$FX_DIR/../../fixtures" && pwd)
# shellcheck source-path=SCRIPTDIR
. "$FX_DIR/fixtures-lib.sh"

fx_parse_options 25 "$@"
set -- "${FX_ARGS[@]}"
[ $# -eq 1 ] || fx_die "usage: install-fixtures.sh [--arch x86|x64] [--broken] <msi-build-dir>"
build_root=$1

fx_require_prefix
fx_setup_arch "$arch"
command -v wixl >/dev/null || fx_die "wixl not found (Debian package wixl)"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

# ---------------------------------------------------------------------------------------
# 1. Build

msi_dir="$build_root/$FX_ARCH"
mkdir -p "$msi_dir"
msi_dir=$(cd "$msi_dir" && pwd)
win64=no pfiles=ProgramFilesFolder
[ "$FX_ARCH" = x64 ] && win64=yes pfiles=ProgramFiles64Folder
inputs_hash=$(cat "$FX_FIXTURES/varno.wxs" "$FX_FIXTURES/payload.txt" \
  "$FX_FIXTURES/uninstall-trace.js" <(wixl --version) | sha256sum | cut -d' ' -f1)

t0=$(now)
built=0
while IFS='|' read -r name kind code culture lcid abbr form pname; do
  version=17.0.0 component=- fail=no
  [ "$kind" = sibling ] && version=18.0.0
  [ "$culture" != - ] && component="5E3B9D14-C001-$lcid-A101-C3E1F06A7B52"
  [ "${name%-failing}" != "$name" ] && fail=yes
  defines=(
    -D "Kind=$kind" -D "ProductCode=$code" -D "UpgradeCode=${code/#5E3B9D14-A/5E3B9D14-B}"
    -D "PackedCode=$(fx_pack "$code")" -D "ProductName=$pname" -D "Version=$version"
    -D "Language=$lcid" -D "Culture=$culture" -D "Edition=$abbr" -D "ArpForm=$form"
    -D "Win64=$win64" -D "PFiles=$pfiles" -D "EditionComponent=$component" -D "FailUninstall=$fail"
  )
  stamp="$inputs_hash ${defines[*]}"
  if [ -f "$msi_dir/$name.msi" ] && [ "$(cat "$msi_dir/$name.stamp" 2>/dev/null)" = "$stamp" ]; then
    continue
  fi
  rm -f "$msi_dir/$name.msi" "$msi_dir/$name.stamp"
  # wixl finds the embedded files only relative to the current folder.
  (cd "$FX_FIXTURES" && wixl -a "$FX_ARCH" "${defines[@]}" -o "$msi_dir/$name.msi" varno.wxs) \
    || fx_die "wixl failed for $name"
  printf '%s' "$stamp" >"$msi_dir/$name.stamp"
  built=$((built + 1))
done < <(fx_products; fx_broken_products)
echo "$FX_SELF: packages in $msi_dir: $built built, the others up to date ($(elapsed "$t0") s)"

# ---------------------------------------------------------------------------------------
# 2. Install

mapfile -t products < <(fx_products)
if [ "$broken" = 1 ]; then
  mapfile -t products < <(fx_products | grep -v '^varno2017-de-DE|'; fx_broken_products)
fi
codes=()
for p in "${products[@]}"; do IFS='|' read -r _ _ code _ <<<"$p"; codes+=("$code"); done
declare -A state=()
states=$(fx_product_states 64 "${codes[@]}")
while read -r c s; do state[${c//[\{\}]/}]=$s; done <<<"$states"

# shellcheck disable=SC2086 # FX_VIEW is one switch or nothing
fx_wine reg query "HKLM\\SOFTWARE\\${FX_FORM}Microsoft\\Windows\\CurrentVersion\\Uninstall" $FX_VIEW || true
uninstall_keys=${FX_OUT^^}

# Installed already: fine when by this script with the same architecture. Checked for all
# packages before any is installed.
for p in "${products[@]}"; do
  IFS='|' read -r name kind code _ <<<"$p"
  if [ "${state[$code]:-}" = 5 ] && ! grep -qF "\\{$code}" <<<"$uninstall_keys"; then
    fx_die "$name {$code} is installed, but not as a $FX_ARCH package: clean the prefix first"
  fi
  if [ "${state[$code]:-}" = 5 ] && [ "$broken" = 1 ] && [ "$kind" != sibling ]; then
    fx_die "$name {$code} is installed already: --broken installs into a prefix without VARNO 2017"
  fi
done

# A product that is not installed but whose Uninstall key or Installer\Products key is
# left (the traces of an uninstall that no cleanup removed) makes Wine's msiexec /i run
# in maintenance mode and install nothing: such keys are dropped first.
t0=$(now)
installed=0
for p in "${products[@]}"; do
  IFS='|' read -r name kind code _ <<<"$p"
  [ "${state[$code]:-}" = 5 ] && continue
  stale=()
  [ "${state[$code]:-}" != -1 ] && stale+=("HKLM\\SOFTWARE\\Classes\\Installer\\Products\\$(fx_pack "$code")")
  grep -qF "\\{$code}" <<<"$uninstall_keys" &&
    stale+=("HKLM\\SOFTWARE\\${FX_FORM}Microsoft\\Windows\\CurrentVersion\\Uninstall\\{$code}")
  for key in "${stale[@]}"; do
    echo "$FX_SELF: $name is not installed; dropping its left-behind key $key"
    # shellcheck disable=SC2086 # FX_VIEW is one switch or nothing
    fx_wine reg delete "$key" /f $FX_VIEW || true
  done
  msi=$(fx_stage "$msi_dir/$name.msi" "$FX_ARCH/$name.msi")
  log="$FX_STAGE_WIN\\logs\\$FX_ARCH-$name-install.log"
  mkdir -p "$(fx_unix "$FX_STAGE_WIN\\logs")"
  rc=0
  fx_wine msiexec /i "$msi" /qn /l*v "$log" || rc=$?
  [ "$rc" = 0 ] || fx_die "msiexec /i $name.msi failed with $rc; log: $(fx_unix "$log")"
  installed=$((installed + 1))
done
states=$(fx_product_states 64 "${codes[@]}")
while read -r c s; do
  [ "$s" = 5 ] || fx_die "after msiexec /i, Windows Installer reports $c as $s, not installed (5)"
done <<<"$states"
echo "$FX_SELF: $installed packages installed, $((${#products[@]} - installed)) were installed already ($(elapsed "$t0") s)"

# ---------------------------------------------------------------------------------------
# 3. Leftovers and bystanders

t0=$(now)
reg_file=$(mktemp)
trap 'rm -f "$reg_file"' EXIT

hidden=()
while IFS='|' read -r origin _ attr path; do
  [ "$origin" = left ] || continue
  unix=$(fx_unix "$path")
  if [ "$attr" = dir ]; then
    mkdir -p "$unix"
    continue
  fi
  mkdir -p "$(dirname "$unix")"
  printf 'left behind by VARNO\r\n%s\r\n' "$path" >"$unix"
  [ "$attr" = hidden ] && hidden+=("$path")
done < <(fx_files)
fx_wine 'C:\windows\system32\cscript.exe' //nologo \
  "$(fx_stage "$FX_DIR/file-attributes.js" file-attributes.js)" hide "${hidden[@]}" ||
  fx_die "could not make the hidden leftovers hidden: $FX_OUT"

# A REGEDIT4 file (ANSI text) with every leftover key and value; one import.
reg_text() { local s=${1//\\/\\\\}; printf '"%s"' "${s//\"/\\\"}"; }
reg_hex_text() {   # text -> hex bytes of the ANSI text and its terminating zero
  local s=$1 i out=""
  for ((i = 0; i < ${#s}; i++)); do out+=$(printf '%02x,' "'${s:i:1}"); done
  printf '%s00' "$out"
}
reg_name() { if [ "$1" = '(Default)' ]; then printf '@'; else reg_text "$1"; fi; }
{
  printf 'REGEDIT4\r\n'
  last=""
  while IFS='|' read -r origin _ key name type data; do
    [ "$origin" = left ] || continue
    long=$key
    long=${long/#HKLM\\/HKEY_LOCAL_MACHINE\\}
    long=${long/#HKCU\\/HKEY_CURRENT_USER\\}
    long=${long/#HKCR\\/HKEY_CLASSES_ROOT\\}
    [ "$long" = "$last" ] || printf '\r\n[%s]\r\n' "$long"
    last=$long
    case "$type" in
      key) ;;
      sz) printf '%s=%s\r\n' "$(reg_name "$name")" "$(reg_text "$data")" ;;
      dword) printf '%s=dword:%08x\r\n' "$(reg_name "$name")" "$data" ;;
      qword) printf '%s=hex(b):%s\r\n' "$(reg_name "$name")" \
        "$(printf '%016x' "$data" | sed -E 's/(..)/\1 /g' | awk '{ for (i = NF; i > 1; i--) printf "%s,", $i; printf "%s", $1 }')" ;;
      expand) printf '%s=hex(2):%s\r\n' "$(reg_name "$name")" "$(reg_hex_text "$data")" ;;
      multi)
        hex=""
        IFS=';' read -ra items <<<"$data"
        for it in "${items[@]}"; do hex+=$(reg_hex_text "$it"),; done
        printf '%s=hex(7):%s00\r\n' "$(reg_name "$name")" "$hex" ;;
      binary) printf '%s=hex:%s\r\n' "$(reg_name "$name")" "$data" ;;
      *) fx_die "unknown registry type '$type' for $key" ;;
    esac
  done < <(fx_registry)
  printf '\r\n'
} >"$reg_file"
# shellcheck disable=SC2086 # FX_VIEW is one switch or nothing
fx_wine reg import "$(fx_stage "$reg_file" leftovers-$FX_ARCH.reg)" $FX_VIEW ||
  fx_die "reg import of the leftover keys failed: $FX_OUT"
echo "$FX_SELF: leftovers and bystanders added ($(elapsed "$t0") s)"
