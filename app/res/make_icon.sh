#!/usr/bin/env bash
# Renders app_icon.mvg into Velmora.ico: one icon with 13 images, namely 48, 32, 24 and
# 16 pixels at 4 bits per pixel (16-colour palette), the same sizes at 8 bits (256-colour
# palette) and at 32 bits (true colour with alpha), and 256 pixels at 32 bits stored as PNG.
# Run by hand after changing the picture; the build uses the committed Velmora.ico.
# Needs ImageMagick (convert) and icoutils (icotool).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert -size 256x256 -background none "mvg:$here/app_icon.mvg" "png32:$work/256-32.png"

sizes=(48 32 24 16)
for size in "${sizes[@]}"; do
  convert "$work/256-32.png" -filter Lanczos -resize "${size}x${size}" "png32:$work/$size-32.png"
  # The palette images keep transparency only as the icon's one-bit mask: make the alpha
  # all-or-nothing first so the edge pixels do not use up palette entries.
  convert "$work/$size-32.png" -channel A -threshold 50% +channel "png32:$work/$size-mask.png"
  convert "$work/$size-mask.png" -dither None -colors 16 "png8:$work/$size-4.png"
  convert "$work/$size-mask.png" -dither FloydSteinberg -colors 256 "png8:$work/$size-8.png"
done

args=()
for depth in 4 8 32; do
  for size in "${sizes[@]}"; do
    args+=(-b "$depth" "$work/$size-$depth.png")
  done
done
icotool -c -o "$here/Velmora.ico" "${args[@]}" --raw="$work/256-32.png"
icotool -l "$here/Velmora.ico"
