#!/usr/bin/env bash
# check-fixtures.sh [--arch x86|x64] installed|removed
#
# Asserts, from the prefix's real registry (both views) and file system, the state of the
# installation that install-fixtures.sh made with the same --arch:
#   installed  every item of the 17 VARNO 2017 products is present: Uninstall keys with
#              their "InstallLocation", Installer\Products keys (HKCR and HKLM), Windows
#              Installer's own registration, vendor keys and leftovers under HKLM and HKCU,
#              installed files, language folders with their nested and hidden files; and
#              Windows Installer reports each product installed;
#   removed    none of these remains, and Windows Installer reports each product unknown;
# and in both states every bystander is present and unchanged: the sibling product
# VARNO 2018 (still installed), another vendor's keys and folders, the culture folders
# that are no edition, files beside the install locations, the other registry view.
#
# Prints one line per check and "check-fixtures: N passed, M failed" last; exits 1 when
# a check failed, 2 when it could not run. Environment: WINEPREFIX (required; never
# ~/.wine), WINEDEBUG (default -all).
set -euo pipefail

FX_SELF=check-fixtures
FX_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR
. "$FX_DIR/fixtures-lib.sh"

fx_parse_options 21 "$@"
set -- "${FX_ARGS[@]}"
[ $# -eq 1 ] || fx_die "usage: check-fixtures.sh [--arch x86|x64] installed|removed"
target=$1
case "$target" in installed | removed) ;; *) fx_die "state must be 'installed' or 'removed', not '$target'" ;; esac

fx_require_prefix
fx_setup_arch "$arch"

passed=0
failed=0
pass() { printf 'PASS  %s\n' "$1"; passed=$((passed + 1)); }
fail() { printf 'FAIL  %s: %s\n' "$1" "$2"; failed=$((failed + 1)); }

# Sets NK to a key path with its root spelled out and in lower case (registry paths are
# compared case-insensitively). No subshell: this runs for every check.
norm_key() {
  NK=$1
  case "$NK" in
    HKLM\\*) NK="HKEY_LOCAL_MACHINE${NK:4}" ;;
    HKCU\\*) NK="HKEY_CURRENT_USER${NK:4}" ;;
    HKCR\\*) NK="HKEY_CLASSES_ROOT${NK:4}" ;;
  esac
  NK=${NK,,}
}

# ---------------------------------------------------------------------------------------
# Registry: a few "reg query" dumps, then every check looks its key up in them.
#   view "main": /reg:64 on a 64-bit prefix (HKLM paths are explicit about Wow6432Node,
#                as the cleanup opens them), the only view on a 32-bit prefix;
#   view "wow":  /reg:32 on a 64-bit prefix, how a 32-bit program sees HKCR.

# On a 64-bit prefix HKCR and Windows Installer are asked as a 32-bit program sees them,
# too, where this host can start one. The 64-bit reg.exe's /reg:32 is no stand-in: under
# Wine it finds no HKCR\Installer at all, where a 32-bit program finds the shared one.
ask32=0
if [ "$FX_PFX64" = 1 ]; then
  if [ "$VELMORA_HOST_MODE" = full ]; then
    ask32=1
  else
    echo "SKIP  HKCR and Windows Installer as a 32-bit program sees them: $VELMORA_HOST_REASON"
  fi
fi

declare -A KEYS=() VALUES=() ROOTS=()
dump() {   # view recursive(1|0) key
  local view=$1 rec=$2 out rc=0 sw=() kind k n t d
  norm_key "$3"
  ROOTS["$view|$NK"]=$rec
  [ "$view" = wow ] && sw=(/reg:32)
  [ "$view" = main ] && [ -n "$FX_VIEW" ] && sw=("$FX_VIEW")
  [ "$rec" = 1 ] && sw+=(/s)
  # reg.exe prints its errors on standard output.
  fx_wine reg query "$3" "${sw[@]}" || rc=$?
  out=$FX_OUT
  if [ "$rc" != 0 ]; then
    [[ "$out" == *'Unable to find the specified registry key'* ]] ||
      fx_die "reg query '$3' ${sw[*]} failed ($rc): $out"
    return 0
  fi
  # Key lines start with HKEY_, value lines with four spaces: name, type and data
  # separated by four spaces.
  while IFS='|' read -r kind k n t d; do
    if [ "$kind" = K ]; then
      KEYS["$view|$k"]=1
    else
      VALUES["$view|$k|$n"]="$t|$d"
    fi
  done < <(awk '
    /^HKEY_/ { key = tolower($0); print "K|" key; next }
    /^    / {
      rest = substr($0, 5); i = index(rest, "    ")
      if (i == 0) next
      name = substr(rest, 1, i - 1); rest = substr(rest, i + 4)
      j = index(rest, "    ")
      if (j == 0) { type = rest; data = "" } else { type = substr(rest, 1, j - 1); data = substr(rest, j + 4) }
      print "V|" key "|" tolower(name) "|" type "|" data
    }' <<<"$out")
}

# A key may be looked up only below a dumped root (a non-recursive dump covers the root
# and its direct subkeys): otherwise "absent" would pass for keys never looked at.
covered() {   # view normalised-key
  local view=$1 k=$2 r
  for r in "${!ROOTS[@]}"; do
    [ "${r%%|*}" = "$view" ] || continue
    r=${r#*|}
    [ "$k" = "$r" ] && return 0
    case "$k" in
      "$r"\\*)
        [ "${ROOTS["$view|$r"]}" = 1 ] && return 0
        [[ "${k#"$r"\\}" != *\\* ]] && return 0
        ;;
    esac
  done
  return 1
}
has_key() {   # view key
  norm_key "$2"
  covered "$1" "$NK" || fx_die "internal: no registry dump covers $1 $2"
  [ -n "${KEYS["$1|$NK"]:-}" ]
}
# Sets VAL to "type|data" of a value; status 1 when it is missing.
get_value() {   # view key name
  local n=${3,,}
  norm_key "$2"
  VAL=${VALUES["$1|$NK|$n"]:-}
  [ -n "$VAL" ]
}

# Present or absent as expected; on a key left behind, tell whether it holds the trace
# that msiexec writes as its very last action (uninstall-trace.js).
expect_key() {   # present|absent view key label
  local want=$1 view=$2 key=$3 label=$4 where=""
  [ "$view" = wow ] && where=" (32-bit view)"
  if has_key "$view" "$key"; then
    if [ "$want" = present ]; then
      pass "$label: $key present$where"
    elif get_value "$view" "$key" UninstallTrace; then
      fail "$label: $key absent$where" "present, holding the UninstallTrace value that msiexec writes as it ends: not deleted after msiexec had ended (deleted too early, or not at all)"
    else
      fail "$label: $key absent$where" "still present"
    fi
  else
    if [ "$want" = absent ]; then pass "$label: $key absent$where"; else fail "$label: $key present$where" "missing"; fi
  fi
}
expect_value() {   # view key name type data label
  local got want_type=$4 want=$5
  case "$want_type" in
    sz) want_type=REG_SZ ;; dword) want_type=REG_DWORD ;; qword) want_type=REG_QWORD ;;
    expand) want_type=REG_EXPAND_SZ ;; multi) want_type=REG_MULTI_SZ ;; binary) want_type=REG_BINARY ;;
  esac
  if get_value "$1" "$2" "$3"; then got=$VAL; else got=""; fi
  if [ -z "$got" ]; then
    fail "$6: $2 [$3] present" "missing"
  elif [ "${got%%|*}" != "$want_type" ]; then
    fail "$6: $2 [$3] is $want_type" "it is ${got%%|*}"
  elif [ "$want_type" = REG_SZ ] && [ "${got#*|}" != "$want" ]; then
    fail "$6: $2 [$3] = \"$want\"" "it is \"${got#*|}\""
  else
    pass "$6: $2 [$3] present"
  fi
}

uninst="HKLM\\SOFTWARE\\${FX_FORM}Microsoft\\Windows\\CurrentVersion\\Uninstall"
# Windows Installer registers a product, 32-bit or not, in the one Installer\Products key
# that both views share (HKLM\SOFTWARE\Classes, which is HKCR). The Wow6432Node form
# names HKLM\SOFTWARE\Classes\Wow6432Node\Installer, which stays absent (see below).
machine_products='HKLM\SOFTWARE\Classes\Installer\Products'
userdata='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Products'
dump main 1 "$uninst"
dump main 1 'HKCR\Installer\Products'
dump main 1 "$machine_products"
dump main 0 "$userdata"
for vendor in TORVEN MERIDIAN; do
  dump main 1 "HKLM\\Software\\$vendor"
  [ "$FX_PFX64" = 1 ] && dump main 1 "HKLM\\Software\\Wow6432Node\\$vendor"
  dump main 1 "HKCU\\Software\\$vendor"
done
dump main 1 'HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
dump main 0 'HKCU\Software\Wow6432Node'
[ "$ask32" = 1 ] && dump wow 1 'HKCR\Installer\Products'
[ "$FX_PFX64" = 1 ] && dump main 0 'HKLM\SOFTWARE\Classes\Wow6432Node'

# ---------------------------------------------------------------------------------------
# Products: their registration, as Windows Installer and the cleanup see it.

views=(main)
bits=(64)
[ "$ask32" = 1 ] && views+=(wow) && bits+=(32)
declare -A STATE=()
codes=()
while IFS='|' read -r _ _ code _; do codes+=("$code"); done < <(fx_products)
for b in "${bits[@]}"; do
  states=$(fx_product_states "$b" "${codes[@]}")
  while read -r c s; do STATE["$b|${c//[\{\}]/}"]=$s; done <<<"$states"
done

while IFS='|' read -r name kind code culture _ _ form _; do
  packed=$(fx_pack "$code")
  label=$name
  want=present
  [ "$target" = removed ] && [ "$kind" != sibling ] && want=absent
  [ "$kind" = sibling ] && label="$name (bystander)"

  expect_key "$want" main "$uninst\\{$code}" "$label"
  if [ "$want" = present ] && has_key main "$uninst\\{$code}"; then
    expect_value main "$uninst\\{$code}" InstallLocation sz \
      "$(fx_install_location "$kind" "$culture" "$form")" "$label"
  fi
  for v in "${views[@]}"; do expect_key "$want" "$v" "HKCR\\Installer\\Products\\$packed" "$label"; done
  expect_key "$want" main "$machine_products\\$packed" "$label"
  # Windows Installer's own record: msiexec removes it when it uninstalls.
  expect_key "$want" main "$userdata\\$packed" "$label"
  for b in "${bits[@]}"; do
    s=${STATE["$b|$code"]:-none}
    asker="Windows Installer"
    [ "$FX_PFX64" = 1 ] && asker="Windows Installer ($b-bit)"
    if [ "$want" = present ]; then want_s=5; else want_s=-1; fi
    if [ "$s" = "$want_s" ]; then
      pass "$label: $asker reports {$code} as $s"
    else
      fail "$label: $asker reports {$code} as $want_s" "it reports $s (5 installed, 1 advertised, -1 unknown)"
    fi
  done
done < <(fx_products)

# ---------------------------------------------------------------------------------------
# Vendor keys, leftovers and bystanders in the registry.

declare -A SEEN=()
while IFS='|' read -r origin fate key name type data; do
  label=leftover
  [ "$origin" = msi ] && label=package
  [ "$fate" = kept ] && label=bystander
  if [ "$target" = removed ] && [ "$fate" = gone ]; then
    [ -n "${SEEN[$key]:-}" ] && continue
    SEEN[$key]=1
    expect_key absent main "$key" "$label"
    continue
  fi
  if [ -z "${SEEN[$key]:-}" ]; then
    SEEN[$key]=1
    expect_key present main "$key" "$label"
  fi
  [ "$type" = key ] || expect_value main "$key" "$name" "$type" "$data" "$label"
done < <(fx_registry)

# Wine sends a 32-bit program's HKCU\Software to HKCU\Software\Wow6432Node once that
# exists; real Windows does not. Neither the fixtures nor a cleanup may make it.
expect_key absent main 'HKCU\Software\Wow6432Node' environment
# Likewise a 32-bit program's HKCR\Installer goes to HKLM\SOFTWARE\Classes\Wow6432Node\
# Installer once that exists (it is what the Wow6432Node form of the machine products key,
# HKLM\SOFTWARE\Wow6432Node\Classes\Installer\..., leads to). Windows Installer never
# makes it; were it there, the 32-bit cleanup's HKCR deletions would miss the real keys.
if [ "$FX_PFX64" = 1 ]; then
  expect_key absent main 'HKLM\SOFTWARE\Classes\Wow6432Node\Installer' environment
fi

# ---------------------------------------------------------------------------------------
# Folders and files.

hidden=()
while IFS='|' read -r origin fate attr path; do
  label=leftover
  [ "$origin" = msi ] && label=package
  [ "$fate" = kept ] && label=bystander
  unix=$(fx_unix "$path")
  what="file"
  [ "$attr" = dir ] && what=folder
  if [ "$target" = removed ] && [ "$fate" = gone ]; then
    if [ -e "$unix" ] || [ -L "$unix" ]; then
      fail "$label: $what $path absent" "still present"
    else
      pass "$label: $what $path absent"
    fi
    continue
  fi
  if { [ "$attr" = dir ] && [ -d "$unix" ]; } || { [ "$attr" != dir ] && [ -f "$unix" ]; }; then
    pass "$label: $what $path present"
  else
    fail "$label: $what $path present" "missing"
  fi
  if [ "$attr" = hidden ] || [ "$attr" = dot ]; then
    [ -f "$unix" ] && hidden+=("$path")
  fi
done < <(fx_files)

# Hidden files are seen as hidden by Windows programs (attribute 2).
if [ ${#hidden[@]} -gt 0 ]; then
  script=$(fx_stage "$FX_DIR/file-attributes.js" file-attributes.js)
  declare -A ATTR=()
  fx_wine 'C:\windows\system32\cscript.exe' //nologo "$script" show "${hidden[@]}" || true
  while read -r a p; do ATTR["$p"]=$a; done <<<"$FX_OUT"
  for p in "${hidden[@]}"; do
    a=${ATTR["$p"]:-}
    if [[ "$a" =~ ^[0-9]+$ ]] && (( a & 2 )); then
      pass "hidden attribute: $p"
    else
      fail "hidden attribute: $p" "attributes '${a:-unreadable}'"
    fi
  done
fi

echo "check-fixtures: $passed passed, $failed failed"
[ "$failed" = 0 ]
