#!/usr/bin/env bash
# Makes the package's icons from the window icon (resources/base_icon.bmp):
# PNGs at whole multiples of its 24 px, so that the pixels stay sharp, and an
# SVG with one rectangle per run of equal pixels. The results are committed in
# packaging/icons/; run this after changing the icon.
set -euo pipefail
cd "$(dirname "$0")/.."
src=resources/base_icon.bmp
out=packaging/icons
for size in 24 48 96 192; do
  convert "$src" -filter point -resize $((size / 24 * 100))% -strip \
      -define png:exclude-chunks=date,time "$out/mirval-pult-$size.png"
done
{
  echo '<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24" width="24" height="24" shape-rendering="crispEdges">'
  convert "$src" txt:- | awk -F'[,: ]+' '
    /^[0-9]/ {
      x = $1; y = $2; c = $0; sub(/.*#/, "#", c); c = substr(c, 1, 7)
      if (y == ry && c == rc && x == rx + rw) { rw++; next }
      if (rw) printf "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"1\" fill=\"%s\"/>\n", rx, ry, rw, rc
      rx = x; ry = y; rc = c; rw = 1
    }
    END { if (rw) printf "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"1\" fill=\"%s\"/>\n", rx, ry, rw, rc }'
  echo '</svg>'
} >"$out/mirval-pult.svg"
