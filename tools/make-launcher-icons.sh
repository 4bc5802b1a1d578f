#!/usr/bin/env bash
# Draws the launcher's icons (a file list with a magnifier) at 16, 32 and 48 pixels.
set -euo pipefail
out=$(cd "$(dirname "$0")/../launcher/res" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

draw() { # size file
  local s=$1 f=$2
  local k
  k=$(echo "$s / 32" | bc -l)
  sc() { printf '%.1f' "$(echo "$1 * $k" | bc -l)"; }
  convert -size "${s}x${s}" xc:none \
    -fill '#2f6db5' -stroke '#1d4a80' -strokewidth "$(sc 1)" \
    -draw "roundrectangle $(sc 1),$(sc 2) $(sc 24),$(sc 28) $(sc 3),$(sc 3)" \
    -stroke none -fill white \
    -draw "rectangle $(sc 5),$(sc 7) $(sc 19),$(sc 9)" \
    -draw "rectangle $(sc 5),$(sc 13) $(sc 16),$(sc 15)" \
    -draw "rectangle $(sc 5),$(sc 19) $(sc 13),$(sc 21)" \
    -fill '#ffd34d' -stroke '#5a4300' -strokewidth "$(sc 2)" \
    -draw "circle $(sc 20),$(sc 18) $(sc 26),$(sc 18)" \
    -fill '#fff7d6' -stroke none -draw "circle $(sc 20),$(sc 18) $(sc 23.5),$(sc 18)" \
    -stroke '#5a4300' -strokewidth "$(sc 3.5)" -draw "line $(sc 24.5),$(sc 22.5) $(sc 30),$(sc 28)" \
    "$f"
}

for s in 16 32 48; do draw "$s" "$tmp/$s.png"; done
convert "$tmp/16.png" "$tmp/32.png" "$tmp/48.png" "$out/launcher.ico"
convert "$tmp/16.png" "$tmp/32.png" "$out/launcher-small.ico"
echo "icons written to $out"
