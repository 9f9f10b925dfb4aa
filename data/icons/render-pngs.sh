#!/usr/bin/env bash
# Renders the PNG icons of every hicolor size from the scalable icon beside
# this script. The PNGs are kept in the repository; run this after changing
# the SVG (needs rsvg-convert from librsvg2-bin). The build does not run it.
set -euo pipefail
cd "$(dirname "$0")"

id=jp.tavo.UdpRecv
command -v rsvg-convert >/dev/null 2>&1 || { echo "rsvg-convert is missing: apt-get install librsvg2-bin" >&2; exit 1; }
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}"
  rsvg-convert --width "$size" --height "$size" "$id.svg" --output "${size}x${size}/$id.png"
done
echo "rendered $(ls -d ./*x*/ | wc -l) sizes of $id.png"
