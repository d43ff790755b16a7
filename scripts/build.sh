#!/usr/bin/env bash
# Configures and builds everything into build/ with the mingw-w64 cross toolchain: the
# 32-bit product Velmora.exe and its tests. On a host that runs 64-bit code only (see
# host-mode.sh) it also builds the same sources for x86_64 into build/x64, the twin that
# the tests, the run command and the benchmarks use there; VELMORA_BUILD_TWIN=1 builds the
# twin on any host (the Windows kit carries the test programs of both builds).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD_DIR:-$here/build}
bash "$here/scripts/setup.sh"
# shellcheck source-path=SCRIPTDIR
. "$here/scripts/host-mode.sh"
cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"
if [ "$VELMORA_HOST_MODE" = 64bit-only ] || [ "${VELMORA_BUILD_TWIN:-0}" = 1 ]; then
  build=$(cd "$build" && pwd)
  cmake -S "$here" -B "$build/x64" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVELMORA_PRODUCT_EXE="$build/app/Velmora.exe" >/dev/null
  cmake --build "$build/x64" -j"$(nproc)"
fi
