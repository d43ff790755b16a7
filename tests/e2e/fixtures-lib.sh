# shellcheck shell=bash disable=SC2034,SC1003
# (SC2034: the FX_ variables are read by the scripts that source this file;
#  SC1003: Windows paths end in backslashes inside single quotes.)
#
# Shared by install-fixtures.sh and check-fixtures.sh: the test products, their packed
# codes, the prefix guard, and every folder, file and registry entry that the fixtures
# make or expect, each with its fate after a cleanup ("gone" or "kept").
# Sourced, not run.

# How this host runs Wine: on one that runs 64-bit code only, "wine" is the 64-bit loader
# and no 32-bit Windows program can start (see scripts/host-mode.sh).
# shellcheck source-path=SCRIPTDIR/../../scripts
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/host-mode.sh"

# ---------------------------------------------------------------------------------------
# Products

# The language editions: culture, LCID, three-letter abbreviation, in language-table order.
FX_EDITIONS=(
  "en-US 1033 ENU" "zh-CN 2052 CHS" "zh-TW 1028 CHT" "cs-CZ 1029 CSY" "de-DE 1031 DEU"
  "es-ES 3082 ESN" "fr-FR 1036 FRA" "hu-hu 1038 HUN" "it-IT 1040 ITA" "ja-JP 1041 JPN"
  "ko-KR 1042 KOR" "pl-PL 1045 PLK" "pt-BR 1046 PTB" "ru-RU 1049 RUS" "tr-TR 1055 TRK"
)
FX_CORE_CODE="5E3B9D14-A001-0000-A001-C3E1F06A7B52"     # first shared product
FX_SHARED_CODE="5E3B9D14-A001-0000-A200-C3E1F06A7B52"   # second shared product
# VARNO 2018, which must survive, has a code per architecture (set by fx_setup_arch): it
# stays installed after a cleanup, and the other architecture's packages are installed
# beside it on the same prefix later.
FX_SIBLING_CODE_X86="5E3B9D14-A002-1033-A101-C3E1F06A7B52"
FX_SIBLING_CODE_X64="5E3B9D14-A002-1033-A164-C3E1F06A7B52"

fx_edition_code() { printf '5E3B9D14-A001-%s-A101-C3E1F06A7B52' "$1"; }

# One line per package (after fx_setup_arch):
#   name|kind|product code|culture|lcid|abbreviation|ArpForm|product name
# Editions at odd positions store InstallLocation with its trailing backslash (as
# [INSTALLDIR] gives it), those at even positions without, so both forms are exercised.
fx_products() {
  local i=0 e culture lcid abbr form
  for e in "${FX_EDITIONS[@]}"; do
    read -r culture lcid abbr <<<"$e"
    i=$((i + 1))
    form=dir; (( i % 2 == 0 )) && form=bare
    printf 'varno2017-%s|edition|%s|%s|%s|%s|%s|VARNO 2017 Language Pack %s\n' \
      "$culture" "$(fx_edition_code "$lcid")" "$culture" "$lcid" "$abbr" "$form" "$culture"
  done
  printf 'varno2017-core|core|%s|-|1033|-|dir|VARNO 2017\n' "$FX_CORE_CODE"
  printf 'varno2017-shared|shared|%s|-|1033|-|bare|VARNO 2017 Shared Components\n' "$FX_SHARED_CODE"
  printf 'varno2018|sibling|%s|-|1033|-|dir|VARNO 2018\n' "$FX_SIBLING_CODE"
}

# With --broken, the packages of installs the ordinary uninstall cannot remove, planted by
# run-e2e.sh: de-DE from a package whose uninstall fails (1603), and a bystander of another
# vendor that shares the fr-FR edition's component (edition.dat).
FX_BYSTANDER_CODE="5E3B9D14-A003-0000-A101-C3E1F06A7B52"
fx_broken_products() {
  printf 'varno2017-de-DE-failing|edition|%s|de-DE|1031|DEU|dir|VARNO 2017 Language Pack de-DE\n' "$(fx_edition_code 1031)"
  printf 'meridian-runtime|bystander|%s|fr-FR|1036|-|dir|MERIDIAN Drafter Runtime\n' "$FX_BYSTANDER_CODE"
}

# The packed form of a product code, as Windows Installer names its Installer\Products
# keys: hyphens and braces dropped, the first three groups reversed, the last two groups
# with each pair of characters swapped.
fx_pack() {
  local c=${1//[-\{\}]/} out="" i
  for ((i = 7; i >= 0; i--)); do out+=${c:i:1}; done
  for ((i = 11; i >= 8; i--)); do out+=${c:i:1}; done
  for ((i = 15; i >= 12; i--)); do out+=${c:i:1}; done
  for ((i = 16; i < 32; i += 2)); do out+=${c:i+1:1}${c:i:1}; done
  printf '%s' "$out"
}

# ---------------------------------------------------------------------------------------
# Prefix and architecture

fx_die() { echo "$FX_SELF: $*" >&2; exit 2; }

# Refuses the user's own prefix: WINEPREFIX must be set, must not be ~/.wine (or any
# folder named .wine), and must be an initialised prefix.
# Reads the options both fixture scripts take: "--arch x86|x64" into `arch` (default x86),
# and -h/--help, which prints lines 2 to HELP_END of the calling script. What follows the
# options is left in FX_ARGS.
#   fx_parse_options HELP_END "$@"
fx_parse_options() {
  local help_end=$1
  shift
  arch=x86 broken=0
  while [ $# -gt 0 ]; do
    case "$1" in
      --broken) broken=1; shift ;;
      --arch) arch=${2:-}; shift 2 ;;
      --arch=*) arch=${1#--arch=}; shift ;;
      -h | --help) sed -n "2,${help_end}p" "$0"; exit 0 ;;
      -*) fx_die "unknown option '$1'" ;;
      *) break ;;
    esac
  done
  FX_ARGS=("$@")
}

fx_require_prefix() {
  local p=${WINEPREFIX:-}
  [ -n "$p" ] || fx_die "WINEPREFIX is not set; point it at a throwaway test prefix"
  p=${p%/}
  case "$p" in
    */.wine | .wine) fx_die "refusing to touch '$WINEPREFIX': use a throwaway test prefix, never ~/.wine" ;;
  esac
  [ -d "$p/drive_c/windows/system32" ] || fx_die "'$WINEPREFIX' is not an initialised Wine prefix (run wineboot -i first)"
  export WINEPREFIX=$p
  export WINEDEBUG=${WINEDEBUG:--all}
}

# Sets FX_ARCH (x86 | x64), FX_PFX64 (1 on a 64-bit prefix), and from them:
#   FX_PF      the program files folder of the packages
#   FX_FORM    "Wow6432Node\" where a 32-bit product's HKLM keys live below Wow6432Node
#   FX_OTHER   the Software\ component of the other registry view (64-bit prefix only)
#   FX_VIEW    the reg.exe view switch used for every HKLM access ("/reg:64" or "")
#   FX_DRIVE_C the Unix path of C:\
fx_setup_arch() {
  FX_ARCH=$1
  case "$FX_ARCH" in x86 | x64) ;; *) fx_die "unknown architecture '$FX_ARCH' (x86 or x64)" ;; esac
  FX_PFX64=0
  [ -d "$WINEPREFIX/drive_c/windows/syswow64" ] && FX_PFX64=1
  if [ "$FX_ARCH" = x64 ] && [ "$FX_PFX64" = 0 ]; then
    fx_die "64-bit packages need a 64-bit prefix; '$WINEPREFIX' is 32-bit"
  fi
  FX_PF='C:\Program Files'
  FX_FORM=''
  FX_OTHER=''
  FX_VIEW=''
  if [ "$FX_PFX64" = 1 ]; then
    FX_VIEW=/reg:64
    if [ "$FX_ARCH" = x86 ]; then
      FX_PF='C:\Program Files (x86)'
      FX_FORM='Wow6432Node\'
      FX_OTHER=''
    else
      FX_OTHER='Wow6432Node\'
    fi
  fi
  FX_DRIVE_C="$WINEPREFIX/drive_c"
  FX_SIBLING_CODE=$FX_SIBLING_CODE_X86
  [ "$FX_ARCH" = x64 ] && FX_SIBLING_CODE=$FX_SIBLING_CODE_X64
  return 0
}

# Unix path of a C:\ path of the prefix.
fx_unix() {
  local w=$1
  w=${w#C:\\}
  printf '%s/%s' "$FX_DRIVE_C" "${w//\\//}"
}

# The folder a package installs into, and the "InstallLocation" its Uninstall key gets.
fx_install_dir() {   # kind culture
  case "$1" in
    edition) printf '%s\\TORVEN\\VARNO 2017 Language Packs\\%s' "$FX_PF" "$2" ;;
    core) printf '%s\\TORVEN\\VARNO 2017' "$FX_PF" ;;
    shared) printf '%s\\TORVEN\\VARNO 2017\\Shared' "$FX_PF" ;;
    sibling) printf '%s\\TORVEN\\VARNO 2018' "$FX_PF" ;;
  esac
}
fx_install_location() {   # kind culture arpform
  if [ "$3" = dir ]; then printf '%s\\' "$(fx_install_dir "$1" "$2")"; else fx_install_dir "$1" "$2"; fi
}

# ---------------------------------------------------------------------------------------
# Folders and files: one line each, origin|fate|attribute|path
#   origin     msi (the package installs it) or left (install-fixtures.sh makes it)
#   fate       gone (nothing of it may remain after a cleanup) or kept (a bystander)
#   attribute  - | hidden (made hidden with attrib +h) | dot (name starts with a dot:
#              Wine lists it as hidden); "dir" marks a folder
fx_files() {
  local e culture lcid abbr loc packs core torven
  torven="$FX_PF\\TORVEN"
  packs="$torven\\VARNO 2017 Language Packs"
  core="$torven\\VARNO 2017"
  for e in "${FX_EDITIONS[@]}"; do
    read -r culture lcid abbr <<<"$e"
    loc="$packs\\$culture"
    cat <<EOF
msi|gone|-|$loc\\edition.dat
msi|gone|-|$loc\\$culture\\strings.dat
left|gone|dir|$loc\\$culture
left|gone|-|$loc\\$culture\\Templates\\readme.txt
left|gone|-|$loc\\$culture\\Templates\\Sheets\\A3\\frame.dwt
left|gone|dot|$loc\\$culture\\Templates\\Sheets\\A3\\.thumbs
left|gone|hidden|$loc\\$culture\\Fonts\\txt.shx
left|gone|dir|$loc\\Support\\$culture
left|gone|-|$loc\\Support\\$culture\\support.dat
left|gone|-|$loc\\Support\\$culture\\Help\\Topics\\index.htm
left|gone|dot|$loc\\Support\\$culture\\Help\\.cache
left|gone|dir|$loc\\UserDataCache\\$culture
left|gone|-|$loc\\UserDataCache\\$culture\\profile.xml
left|gone|hidden|$loc\\UserDataCache\\$culture\\Plot Styles\\settings.ini
left|gone|-|$loc\\UserDataCache\\$culture\\Plot Styles\\Default\\monochrome.ctb
left|kept|dir|$loc
left|kept|-|$loc\\user.cfg
left|kept|-|$loc\\nl-NL\\strings.dat
left|kept|-|$loc\\nl-NL\\Templates\\frame.dwt
left|kept|-|$loc\\$culture-backup\\strings.dat
left|kept|-|$loc\\Support\\support.cfg
left|kept|-|$loc\\Support\\nl-NL\\support.dat
left|kept|-|$loc\\UserDataCache\\cache.idx
left|kept|-|$loc\\UserDataCache\\nl-NL\\profile.xml
EOF
  done
  cat <<EOF
left|kept|-|$packs\\readme.txt
msi|gone|-|$core\\varno.dat
msi|gone|-|$core\\Bin\\core.dat
msi|gone|-|$core\\Shared\\shared.dat
left|gone|dir|$core
left|gone|-|$core\\license.key
left|gone|hidden|$core\\Bin\\plugins.lst
left|gone|-|$core\\Shared\\Cache\\shared.cache
left|gone|-|$core\\UserData\\Templates\\Sheets\\A1\\frame.dwt
left|gone|dot|$core\\UserData\\Templates\\.index
left|gone|-|$core\\UserData\\Logs\\install.log
left|gone|-|$core\\en-US\\strings.dat
left|kept|-|$torven\\torven.ini
left|kept|-|$torven\\VARNO 2017 Viewer\\viewer.dat
msi|kept|-|$torven\\VARNO 2018\\varno.dat
left|kept|-|$torven\\VARNO 2018\\en-US\\strings.dat
left|kept|-|$torven\\VARNO 2018\\Support\\en-US\\support.dat
left|kept|-|$torven\\VARNO 2018\\UserDataCache\\en-US\\profile.xml
left|kept|-|$FX_PF\\MERIDIAN\\Drafter 2017\\en-US\\strings.dat
left|kept|-|$FX_PF\\MERIDIAN\\Drafter 2017\\Support\\en-US\\support.dat
EOF
}

# ---------------------------------------------------------------------------------------
# Registry: one line each, origin|fate|key|value name|type|data
#   origin  msi | left, as for files; "trace" marks the values the packages write at the
#           end of an uninstall (never made here, only looked for)
#   key     full path with HKLM, HKCU or HKCR; HKLM paths are explicit about Wow6432Node
#           and are made and read through the 64-bit view on a 64-bit prefix
#   type    sz | dword | qword | expand | multi | binary, or "key" for a key without values
#   data    sz, expand: the text; dword, qword: a number; multi: items joined by ";";
#           binary: hex bytes separated by ","
#
# HKCU keys are made in the plain form only. Wine redirects a 32-bit program's
# HKCU\Software\... to HKCU\Software\Wow6432Node\... as soon as that key exists, which
# real Windows does not do; making it would send the 32-bit cleanup's plain-form HKCU
# deletions into Wow6432Node and leave the real keys behind. So nothing is made below
# HKCU\Software\Wow6432Node, and check-fixtures.sh makes sure it does not exist. For the
# same reason the per-user Uninstall keys of the shared products (deleted by the shared
# pass in the chosen form) are made only where that form is the plain one.
fx_registry() {
  local e culture lcid abbr v ck hkey code
  local vendor="HKLM\\Software\\${FX_FORM}TORVEN"
  for e in "${FX_EDITIONS[@]}"; do
    read -r culture lcid abbr <<<"$e"
    v="$vendor\\VARNO\\2017\\$culture"
    hkey="HKCU\\Software\\TORVEN\\VARNO\\2017\\$culture"
    cat <<EOF
msi|gone|$v|Edition|sz|$abbr
msi|gone|$v|InstallDir|sz|$(fx_install_dir edition "$culture")\\
left|gone|$v|LastUsed|sz|2017-11-02
left|gone|$v|Flags|dword|7
left|gone|$v\\Profiles\\Default|Layout|sz|Model
left|gone|$v\\Profiles\\Default|Colors|binary|00,ff,80,40
left|gone|$v\\Profiles\\Default\\Dialogs\\Plot|Width|dword|640
left|gone|$v\\Recent|File1|sz|C:\\Drawings\\$culture\\plan.dwg
left|gone|$v\\Empty|-|key|
left|gone|$hkey|Language|sz|$culture
left|gone|$hkey|Paths|multi|C:\\Drawings;D:\\Shared
left|gone|$hkey\\Options\\Display|Theme|sz|dark
left|gone|$hkey\\Options\\Display|Scale|qword|100
left|gone|$hkey\\Recent\\Files|1|expand|%USERPROFILE%\\plan.dwg
EOF
  done
  v="$vendor\\VARNO\\2017"
  cat <<EOF
msi|gone|$v|Version|sz|17.0.0
msi|gone|$v|InstallDir|sz|$(fx_install_dir core)\\
msi|gone|$v\\Components|SharedDir|sz|$(fx_install_dir shared)\\
left|gone|$v|SerialNumber|sz|000-00000000
left|gone|$v\\Components|Count|dword|2
left|gone|$v\\Licensing\\Network|Server|sz|license01
left|gone|$v\\Licensing\\Network|Port|dword|27000
left|gone|HKCU\\Software\\TORVEN\\VARNO\\2017|LastLanguage|sz|en-US
left|gone|HKCU\\Software\\TORVEN\\VARNO\\2017\\General\\Window|Maximized|dword|1
left|gone|HKCU\\Software\\TORVEN\\VARNO\\2017\\Licensing|Accepted|dword|1
msi|kept|$vendor\\VARNO\\2018|Version|sz|18.0.0
left|kept|$vendor\\VARNO\\2018\\en-US|Edition|sz|ENU
left|kept|$vendor\\VARNO\\2017 Viewer|InstallDir|sz|$FX_PF\\TORVEN\\VARNO 2017 Viewer\\
left|kept|$vendor\\Licensing|Server|sz|license01
left|kept|HKLM\\Software\\${FX_FORM}MERIDIAN\\Drafter\\2017\\en-US|Edition|sz|ENU
left|kept|HKCU\\Software\\TORVEN\\VARNO\\2018\\en-US|Language|sz|en-US
left|kept|HKCU\\Software\\TORVEN\\VARNO\\2017 Viewer|Theme|sz|light
left|kept|HKCU\\Software\\MERIDIAN\\Drafter\\2017\\en-US|Language|sz|en-US
EOF
  if [ "$FX_PFX64" = 1 ]; then
    # The same product's vendor keys in the other registry view: the user's choice of
    # view must leave them alone.
    cat <<EOF
left|kept|HKLM\\Software\\${FX_OTHER}TORVEN\\VARNO\\2017|OtherView|sz|kept
left|kept|HKLM\\Software\\${FX_OTHER}TORVEN\\VARNO\\2017\\en-US|OtherView|sz|kept
EOF
  fi
  if [ -z "$FX_FORM" ]; then
    for code in "$FX_CORE_CODE" "$FX_SHARED_CODE"; do
      ck="HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{$code}"
      printf 'left|gone|%s|DisplayName|sz|VARNO 2017 (per-user entry)\n' "$ck"
    done
  fi
}

# ---------------------------------------------------------------------------------------
# Helpers that run Windows programs in the prefix

# Runs a Windows program with its output going to a file, never to a pipe: Wine's helper
# processes inherit the program's standard handles and can hold a pipe open for seconds
# after the program itself has ended. It starts in C:\ (a host folder has no drive letter
# once the prefix's Z: drive is unlinked). Sets FX_OUT to the output (without CRs);
# returns the program's exit status.
fx_wine() {
  local rc=0 out
  out=$(mktemp)
  (cd "$FX_DRIVE_C" && exec wine "$@" >"$out" 2>&1 </dev/null) || rc=$?
  FX_OUT=$(tr -d '\r' <"$out")
  rm -f "$out"
  return $rc
}

# Files that Windows programs of the prefix read are copied below C:\ first, so that the
# fixtures work also when the prefix's Z: drive (the host's file system) is unlinked.
FX_STAGE_WIN='C:\fixture-setup'

fx_stage() {   # host file, name below C:\fixture-setup -> prints its Windows path
  local dest
  dest=$(fx_unix "$FX_STAGE_WIN\\$2")
  mkdir -p "$(dirname "$dest")"
  cp -f "$1" "$dest"
  printf '%s\\%s' "$FX_STAGE_WIN" "${2//\//\\}"
}

# The Windows Installer's records of the given products in its machine keys (the 64-bit
# view): every line of `reg query /s` that names a product's packed code or lies in a key
# that does, after the key it lies in; sorted.
fx_records() {   # code...
  local pattern="" c key
  for c in "$@"; do pattern+="${pattern:+|}$(fx_pack "$c")"; done
  for key in 'HKLM\SOFTWARE\Classes\Installer' 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Installer'; do
    # shellcheck disable=SC2086 # FX_VIEW is one switch or nothing
    fx_wine reg query "$key" /s $FX_VIEW || true
    awk -v p="$pattern" '/^HKEY_/ { key = toupper($0) } (key ~ p || toupper($0) ~ p) && NF { print key "|" $0 }' <<<"$FX_OUT"
  done | sort
}

# Prints "<{CODE}> <state>" for each product code given, asked from Windows Installer by
# a program of the given bitness (64 or 32; on a 32-bit prefix both mean the native one).
fx_product_states() {   # bits code...
  local bits=$1 script cscript='C:\windows\system32\cscript.exe' c args=()
  shift
  [ "$bits" = 32 ] && [ "$FX_PFX64" = 1 ] && cscript='C:\windows\syswow64\cscript.exe'
  script=$(fx_stage "$FX_DIR/product-state.js" product-state.js)
  for c in "$@"; do args+=("{$c}"); done
  fx_wine "$cscript" //nologo "$script" "${args[@]}" || fx_die "product-state.js failed: $FX_OUT"
  printf '%s\n' "$FX_OUT"
}
