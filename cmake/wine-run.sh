#!/usr/bin/env bash
# Runs a Windows test executable under Wine, but only in a throwaway prefix that the test
# command made below the build tree: a test must never reach the user's own prefix.
# An argument "--velmora-prefix=DIR" picks the prefix for one test and is not passed on;
# otherwise WINEPREFIX from the environment, or else the 64-bit prefix of the build tree
# that holds the executable (test discovery). An argument "--velmora-skip=REASON" marks a
# case that cannot run on this host: nothing is started, and GoogleTest's skip line with
# the reason is printed, which ctest reports as skipped.
set -u
for arg in "$@"; do
  case $arg in
    --velmora-skip=*) echo "[  SKIPPED ] ${arg#--velmora-skip=}"; exit 0 ;;
  esac
done
if [ -z "${WINEPREFIX:-}" ] && [ $# -gt 0 ]; then
  dir=$(cd "$(dirname "$1")" 2>/dev/null && pwd)
  while [ -n "$dir" ] && [ "$dir" != / ]; do
    if [ -d "$dir/velmora-wine/pfx64" ]; then export WINEPREFIX=$dir/velmora-wine/pfx64; break; fi
    dir=$(dirname "$dir")
  done
fi
args=()
for arg in "$@"; do
  case $arg in
    --velmora-prefix=*) export WINEPREFIX=${arg#--velmora-prefix=} ;;
    *) args+=("$arg") ;;
  esac
done
case "${WINEPREFIX:-}" in
  */velmora-wine/pfx32|*/velmora-wine/pfx64) ;;
  *) echo "wine-run: WINEPREFIX must be a throwaway test prefix (got '${WINEPREFIX:-}')" >&2; exit 125 ;;
esac
export VELMORA_PREFIX_KIND=${WINEPREFIX##*/}
export WINEDEBUG=-all
exec wine "${args[@]}"
