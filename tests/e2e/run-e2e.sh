#!/usr/bin/env bash
# run-e2e.sh BUILD_DIR PREFIX ARCH CHOICE
#   PREFIX  pfx64 | pfx32      the throwaway test prefix below BUILD_DIR/velmora-wine
#   ARCH    x86 | x64          which build of the packages to install
#   CHOICE  32 | 64            the user's choice of installation handed to the cleanup
# Installs the VARNO 2017 packages with Wine's own msiexec, checks they are there, runs the
# whole cleanup through the real Windows implementation, and checks that nothing of the
# product remains while every bystander is untouched.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
prefix=$2 arch=$3 choice=$4
export WINEPREFIX="$build/velmora-wine/$prefix" WINEDEBUG=-all
case "$prefix" in pfx64|pfx32) ;; *) echo "run-e2e: unknown prefix $prefix" >&2; exit 2 ;; esac

bash "$here/install-fixtures.sh" --arch "$arch" "$build/msi"
bash "$here/check-fixtures.sh" --arch "$arch" installed | tail -n 1

# The driver runs from C:\ so that no Unix working folder is handed to Wine.
driver='C:\velmora-e2e\velmora_cleanup_driver.exe'
mkdir -p "$WINEPREFIX/drive_c/velmora-e2e"
cp "$build/tests/e2e/velmora_cleanup_driver.exe" "$WINEPREFIX/drive_c/velmora-e2e/"
out="$build/e2e-$prefix-$arch-$choice.log"
(cd "$WINEPREFIX/drive_c" && wine "$driver" "$choice" >"$out" 2>&1) || { cat "$out"; exit 1; }
cat "$out"

bash "$here/check-fixtures.sh" --arch "$arch" removed
