#!/usr/bin/env bash
# Installs the cross toolchain, Wine and the test tools this project builds and tests with.
# Idempotent: when every package is already present it only checks and returns.
set -euo pipefail

packages=(
  cmake make git
  g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine32:i386 wine64
  xvfb xdotool xauth
  msitools wixl
  googletest
  fonts-wqy-microhei fonts-wine
  imagemagick icoutils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
