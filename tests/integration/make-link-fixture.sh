#!/usr/bin/env bash
# Lays out, in each throwaway prefix, a folder tree holding host symbolic links to a folder
# outside it, which Wine lists as reparse points as Windows lists junctions:
#   C:\velmora-links\<prefix>\target\...        must survive
#   C:\velmora-links\<prefix>\doomed\link   ->  ..\target
#   C:\velmora-links\<prefix>\toplink       ->  target
# and two drive letters, as a substituted or mapped drive stands on Windows:
#   W:  ->  the prefix's profile folder      V:  ->  C:\velmora-links\<prefix>\mapped
set -euo pipefail
root=$(cd "$1" && pwd)/velmora-wine
for name in pfx64 pfx32; do
  [ -f "$root/$name/system.reg" ] || continue   # a prefix this host does not make
  base="$root/$name/drive_c/velmora-links/$name"
  rm -rf "$base"
  mkdir -p "$base/target/sub" "$base/doomed"
  echo precious > "$base/target/precious.txt"
  echo deep > "$base/target/sub/deep.txt"
  echo plain > "$base/doomed/plain.txt"
  ln -s ../target "$base/doomed/link"
  ln -s target "$base/toplink"
  mkdir -p "$base/mapped"
  for profile in "$root/$name"/drive_c/users/*; do [ "${profile##*/}" = Public ] || break; done
  ln -sfn "../drive_c/users/${profile##*/}" "$root/$name/dosdevices/w:"
  ln -sfn "../drive_c/velmora-links/$name/mapped" "$root/$name/dosdevices/v:"
done
