#!/usr/bin/env bash
# Runs a Windows test executable under Wine, but only in a throwaway prefix that the
# test command made below the build tree: a test must never reach the user's own prefix.
set -u
case "${WINEPREFIX:-}" in
  */velmora-wine/pfx32|*/velmora-wine/pfx64) ;;
  *) echo "wine-run: WINEPREFIX must be a throwaway test prefix (got '${WINEPREFIX:-}')" >&2; exit 125 ;;
esac
export WINEDEBUG=-all
exec wine "$@"
