#!/usr/bin/env bash
# Runs every test: unit tests on the simulated Windows, integration tests of the real Win32
# implementation in a 64-bit and a 32-bit Wine prefix, and the end-to-end tests against
# real MSI packages. Installs what is missing first. Extra arguments go to ctest.
#
# On a host that runs 64-bit code only (or with VELMORA_64BIT_ONLY=1) the same tests run
# against the 64-bit twin in build/x64, in the 64-bit prefix; those that need the 32-bit
# prefix are reported as skipped, with the reason. See host-mode.sh.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD_DIR:-$here/build}
bash "$here/scripts/setup.sh"
# shellcheck source-path=SCRIPTDIR
. "$here/scripts/host-mode.sh"
echo "test: $VELMORA_HOST_MODE mode: $VELMORA_HOST_REASON"
if [ "$VELMORA_HOST_MODE" = 64bit-only ]; then
  echo "test: testing the 64-bit twin (build/x64) in the 64-bit prefix; the 32-bit product is built and"
  echo "test: its form and resources are checked; the tests of the 32-bit prefix are reported as skipped"
fi
bash "$here/scripts/build.sh"
build=$(cd "$build" && pwd)
tests=$build
[ "$VELMORA_HOST_MODE" = 64bit-only ] && tests=$build/x64

bash "$here/scripts/wine-prefixes.sh" start "$tests"
trap 'bash "$here/scripts/wine-prefixes.sh" stop "$tests"' EXIT

bash "$here/tests/integration/make-link-fixture.sh" "$tests"
export VELMORA_LINK_FIXTURE='C:\velmora-links'

# Test discovery runs the test executables too; it uses the 64-bit prefix.
export WINEPREFIX="$tests/velmora-wine/pfx64" WINEDEBUG=-all
cd "$tests"
if [ "$VELMORA_HOST_MODE" = 64bit-only ]; then
  echo "test: every test of the 32-bit prefix is reported as skipped: it" \
    "$(sed -n 's/^VELMORA_SKIP_32BIT_REASON:INTERNAL=//p' CMakeCache.txt)"
fi
ctest --output-on-failure --timeout 900 "$@"
