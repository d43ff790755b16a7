#!/usr/bin/env bash
# Builds both builds (the 32-bit one, as shipped, and the 64-bit twin) with the project's
# build command and gathers into build/windows-kit/ what runs their tests on real Windows:
#   run-tests.cmd         the runner, for an elevated prompt on a throwaway machine
#   Velmora.exe           the shipped 32-bit program
#   x86\, x64\            the GoogleTest programs of each build, with a copy of Velmora.exe
#                         beside them, which the resource tests read from their own folder,
#                         and the DLL case's probe and fake userenv.dll (planted\) of that build
#   x86\velmora_gui_driver.exe, planted\*.dll
#                         the planted-DLL scenario: the 32-bit driver that opens and closes
#                         Velmora's dialog, and the fake system DLLs put beside Velmora.exe
#   windows-kit.sh [KIT_DIR]    (default: build/windows-kit; it is emptied first)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
VELMORA_BUILD_TWIN=1 bash "$here/scripts/build.sh"
build=$(cd "${VELMORA_BUILD_DIR:-$here/build}" && pwd)
kit=${1:-$build/windows-kit}

rm -rf "$kit"
mkdir -p "$kit/x86" "$kit/x64" "$kit/planted"
cp "$here/scripts/windows-kit/run-tests.cmd" "$build/app/Velmora.exe" "$kit/"
for part in x86:"$build" x64:"$build/x64"; do
  dir=${part%%:*} tree=${part#*:}
  # Every GoogleTest program the test command runs: those registered through gtest discovery.
  programs=$(find "$tree/tests" -name '*_include.cmake' -printf '%f\n' | sed 's/\[[0-9]*\]_include\.cmake$//' | sort -u)
  [ -n "$programs" ] || { echo "windows-kit: no test programs found in $tree" >&2; exit 1; }
  for name in $programs; do cp "$(find "$tree/tests" -name "$name.exe" -print -quit)" "$kit/$dir/"; done
  cp "$build/app/Velmora.exe" "$tree/tests/integration/velmora_dll_probe.exe" "$kit/$dir/"
  mkdir -p "$kit/$dir/planted"
  cp "$tree/tests/gui/planted/userenv.dll" "$kit/$dir/planted/"
done
cp "$build/tests/gui/velmora_gui_driver.exe" "$kit/x86/"
cp "$build/tests/gui/planted/"*.dll "$kit/planted/"
# Windows's cmd reads the runner with CRLF line ends.
sed -i 's/\r*$/\r/' "$kit/run-tests.cmd"
echo "windows-kit: $kit ($(du -sh "$kit" | cut -f1), $(find "$kit" -type f | wc -l) files)"
find "$kit" -type f -printf '  %P\n' | sort
