#!/usr/bin/env bash
# check-executable.sh EXE
# Checks the form of the built Velmora.exe, the one file a technician copies to the PC:
# a PE32 image for i386, an executable (not a DLL), for the Windows GUI subsystem, loaded
# at a random address (DYNAMIC_BASE) with data not executable (NX_COMPAT), that
# imports at load time only DLLs Windows always takes from its system folder: its
# KnownDLLs, and the common controls the manifest binds. Any other DLL would first be
# looked for beside the program, in a folder a standard user may write to. (The C++
# runtime, libgcc and winpthread are linked in statically.) Reads the headers twice: from the raw
# bytes, and as mingw-w64's objdump reports them. One line per check, a summary last;
# exits 1 when a check failed.
set -euo pipefail
exe=$1
objdump=i686-w64-mingw32-objdump
[ -f "$exe" ] || { echo "check-executable: no file '$exe'" >&2; exit 2; }
command -v "$objdump" >/dev/null || { echo "check-executable: $objdump not found" >&2; exit 2; }

passed=0
failed=0
expect() {   # what actual expected
  if [ "$2" = "$3" ]; then
    printf 'PASS  %s is %s\n' "$1" "$3"
    passed=$((passed + 1))
  else
    printf 'FAIL  %s is %s: found %s\n' "$1" "$3" "$2"
    failed=$((failed + 1))
  fi
}

bytes() { tail -c +$(($1 + 1)) "$exe" | head -c "$2" | od -An -tx1 | tr -d ' \n'; }
u16() { od -An -tu2 -j "$1" -N2 "$exe" | tr -d ' '; }
u32() { od -An -tu4 -j "$1" -N4 "$exe" | tr -d ' '; }

# Raw headers: the DOS stub points at the PE header, whose file header and optional
# header follow.
expect "DOS signature" "$(bytes 0 2)" 4d5a
pe=$(u32 60)
expect "PE signature" "$(bytes "$pe" 4)" 50450000
expect "machine" "$(printf '0x%x' "$(u16 $((pe + 4)))")" 0x14c
characteristics=$(u16 $((pe + 22)))
expect "executable-image flag" $((characteristics & 0x0002)) 2
expect "DLL flag" $((characteristics & 0x2000)) 0
expect "32-bit-machine flag" $((characteristics & 0x0100)) 256
optional=$((pe + 24))
expect "optional header magic (PE32)" "$(printf '0x%x' "$(u16 $optional)")" 0x10b
expect "subsystem (Windows GUI)" "$(u16 $((optional + 68)))" 2
dll_characteristics=$(u16 $((optional + 70)))
expect "DYNAMIC_BASE flag" $((dll_characteristics & 0x0040)) 64
expect "NX_COMPAT flag" $((dll_characteristics & 0x0100)) 256

# The same as objdump reads it, and the imports.
dump=$("$objdump" -p "$exe")
expect "objdump's file format" "$(sed -n 's/.*file format //p' <<<"$dump" | head -n 1)" pei-i386
expect "objdump's magic" "$(awk '$1 == "Magic" { print $2 }' <<<"$dump")" 010b
expect "objdump's subsystem" "$(awk '$1 == "Subsystem" { print $2 }' <<<"$dump")" 00000002
for flag in DYNAMIC_BASE NX_COMPAT; do
  expect "objdump's $flag" "$(grep -cw "$flag" <<<"$dump")" 1
done

mapfile -t dlls < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr -d '\r')
# The KnownDLLs among the DLLs a dialog program may need (ntdll is always one).
allowed=" kernel32.dll ntdll.dll user32.dll gdi32.dll advapi32.dll shell32.dll comctl32.dll msvcrt.dll ole32.dll oleaut32.dll shlwapi.dll comdlg32.dll "
echo "imports: ${dlls[*]}"
expect "some DLL is imported" "$([ ${#dlls[@]} -gt 0 ] && echo yes || echo no)" yes
for dll in "${dlls[@]}"; do
  lower=${dll,,}
  case "$lower" in
    libwinpthread* | libstdc++* | libgcc* | *mingw*) expect "import $dll (a toolchain runtime DLL)" imported "not imported" ;;
    *) expect "import $dll is a system DLL" "$([[ "$allowed" == *" $lower "* ]] && echo yes || echo no)" yes ;;
  esac
done
imports=" ${dlls[*],,} "
# The dialog needs the window manager and the common controls (InitCommonControlsEx).
for needed in user32.dll comctl32.dll; do
  expect "$needed imported" "$([[ "$imports" == *" $needed "* ]] && echo yes || echo no)" yes
done

echo "check-executable: $passed passed, $failed failed"
[ "$failed" = 0 ]
