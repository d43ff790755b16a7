#!/usr/bin/env bash
# Creates (once) and starts the throwaway Wine prefixes the tests run in, below the build
# tree: pfx64 (a 64-bit system) and pfx32 (WINEARCH=win32, a 32-bit system), which only a
# host that runs 32-bit code can start (host-mode.sh). Each gets one persistent wineserver
# for the run; `stop` ends them. Never the user's prefix.
#   wine-prefixes.sh start|stop BUILD_DIR
set -euo pipefail
action=$1
root=$(cd "$2" && pwd)/velmora-wine
export WINEDEBUG=-all
# shellcheck source-path=SCRIPTDIR
. "$(dirname "$0")/host-mode.sh"

start_prefix() {
  local name=$1 arch=$2 prefix="$root/$1"
  if [ ! -f "$prefix/system.reg" ]; then
    echo "wine-prefixes: creating $name"
    mkdir -p "$prefix"
    WINEPREFIX="$prefix" WINEARCH=$arch WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w
  fi
  bash "$(dirname "$0")/plain-profile-folders.sh" "$prefix"
  # A server left from an earlier run is kept: -p then fails, and that is fine.
  WINEPREFIX="$prefix" wineserver -p 2>/dev/null || true
  WINEPREFIX="$prefix" wine cmd /c exit >/dev/null 2>&1 || true
}

case $action in
  start)
    mkdir -p "$root"
    start_prefix pfx64 win64
    if [ "$VELMORA_HOST_MODE" = full ]; then start_prefix pfx32 win32; fi
    ;;
  stop)
    for name in pfx64 pfx32; do
      [ -f "$root/$name/system.reg" ] && WINEPREFIX="$root/$name" wineserver -k 2>/dev/null || true
    done
    ;;
  *) echo "usage: $0 start|stop BUILD_DIR" >&2; exit 2 ;;
esac
