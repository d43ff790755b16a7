# shellcheck shell=bash
# Sourced by the test, run and bench commands after setup.sh. Finds out, by trying, whether
# this host can run 32-bit x86 code, and with it how Velmora can be tested here:
#   full        Wine's 32-bit loader starts: the 32-bit Velmora.exe and its tests run in a
#               64-bit and a 32-bit Wine prefix.
#   64bit-only  it does not (some hosts run 64-bit code only: every i386 program fails
#               with "Exec format error"), or VELMORA_64BIT_ONLY=1 asks for this mode:
#               the same sources, built for x86_64 into build/x64, run under Wine's 64-bit
#               loader in a 64-bit prefix; what needs a 32-bit process is skipped.
# Sets and exports VELMORA_HOST_MODE and VELMORA_HOST_REASON. In 64-bit-only mode it puts
# the wine shims of scripts/wine64-only first on PATH, so that "wine" and the launchers
# start the 64-bit loader (Debian's wine script would pick the 32-bit one).
velmora_host_mode() {
  local scripts out
  scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  if [ -z "${VELMORA_HOST_MODE:-}" ]; then
    if [ "${VELMORA_64BIT_ONLY:-0}" = 1 ]; then
      VELMORA_HOST_MODE=64bit-only
      VELMORA_HOST_REASON="VELMORA_64BIT_ONLY=1 asks for it"
    elif out=$(/usr/lib/wine/wine --version 2>&1 </dev/null); then
      VELMORA_HOST_MODE=full
      VELMORA_HOST_REASON="Wine's 32-bit loader starts ($out)"
    else
      VELMORA_HOST_MODE=64bit-only
      out=${out##*: }
      VELMORA_HOST_REASON="Wine's 32-bit loader does not start here (${out:-no output}): this host runs 64-bit code only"
    fi
    export VELMORA_HOST_MODE VELMORA_HOST_REASON
  fi
  if [ "$VELMORA_HOST_MODE" = 64bit-only ]; then
    case ":$PATH:" in
      *":$scripts/wine64-only:"*) ;;
      *) export PATH="$scripts/wine64-only:$PATH" ;;
    esac
  fi
}
velmora_host_mode
