#!/usr/bin/env bash
# Runs every test: unit tests on the simulated Windows, integration tests of the real Win32
# implementation in a 64-bit and a 32-bit Wine prefix, and the end-to-end tests against
# real MSI packages. Installs what is missing first. Extra arguments go to ctest.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD_DIR:-$here/build}
bash "$here/scripts/build.sh"

bash "$here/scripts/wine-prefixes.sh" start "$build"
trap 'bash "$here/scripts/wine-prefixes.sh" stop "$build"' EXIT

bash "$here/tests/integration/make-link-fixture.sh" "$build"
export VELMORA_LINK_FIXTURE='C:\velmora-links'

# Test discovery runs the test executables too; it uses the 64-bit prefix.
export WINEPREFIX="$build/velmora-wine/pfx64" WINEDEBUG=-all
cd "$build"
ctest --output-on-failure --timeout 900 "$@"
