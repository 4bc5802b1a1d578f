#!/usr/bin/env bash
# Draws the window picker's images: icon 131 (the aim in its frame, at rest), icon 133 (the
# empty frame while the aim is being dragged) and cursor 134 (the aim itself, hotspot at its
# centre). Needs ImageMagick and icotool (icoutils). Run from this folder; the results are
# committed, so the build does not need either tool.
set -euo pipefail
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# frame SIZE OUT: a light sunken square the aim sits in.
frame() {
  local s=$1 m=$(($1 - 1))
  convert -size "${s}x${s}" xc:none -fill '#f4f4f4' -stroke '#7a7a7a' -strokewidth 1 \
    -draw "rectangle 0,0 $m,$m" -stroke '#ffffff' -draw "line 1,$((m - 1)) $((m - 1)),$((m - 1))" \
    -draw "line $((m - 1)),1 $((m - 1)),$((m - 1))" "$2"
}

# aim SIZE OUT: a red ring with a dark cross through its centre, gaps left at the middle so
# the point under the hotspot stays visible.
aim() {
  local s=$1 c r gap
  c=$(awk "BEGIN{print ($s - 1) / 2}")
  r=$(awk "BEGIN{print $s * 0.34}")
  gap=$(awk "BEGIN{print $s / 10}")
  local w=$(( s >= 32 ? 2 : 1 )) aa=-antialias
  # Hard pixels at 16x16: smoothing turns one-pixel lines grey there.
  [ "$s" -lt 32 ] && aa=+antialias
  convert -size "${s}x${s}" xc:none "$aa" -fill none -stroke '#c00000' -strokewidth "$w" \
    -draw "circle $c,$c $(awk "BEGIN{print $c + $r}"),$c" \
    -stroke '#202020' -strokewidth 1 \
    -draw "line $c,1 $c,$(awk "BEGIN{print $c - $gap}")" \
    -draw "line $c,$(awk "BEGIN{print $c + $gap}") $c,$((s - 2))" \
    -draw "line 1,$c $(awk "BEGIN{print $c - $gap}"),$c" \
    -draw "line $(awk "BEGIN{print $c + $gap}"),$c $((s - 2)),$c" "$2"
}

for s in 16 32; do
  frame "$s" "$tmp/frame$s.png"
  aim "$s" "$tmp/aim$s.png"
  convert "$tmp/frame$s.png" "$tmp/aim$s.png" -composite "$tmp/rest$s.png"
done
icotool -c -o AimRest.ico "$tmp/rest16.png" "$tmp/rest32.png"
icotool -c -o AimEmpty.ico "$tmp/frame16.png" "$tmp/frame32.png"
icotool -c --cursor --hotspot-x=15 --hotspot-y=15 -o Aim.cur "$tmp/aim32.png"
# With PREVIEW_DIR set, enlarged copies on a dialog-grey background for a look by eye.
if [ -n "${PREVIEW_DIR:-}" ]; then
  for f in rest16 frame16 rest32 frame32 aim32; do
    convert "$tmp/$f.png" -background '#d4d0c8' -flatten -filter point -resize 800% \
      "$PREVIEW_DIR/$f.png"
  done
fi
