#!/bin/sh
# Draws Kestrane's mark, a screen with two lines of subtitles, at every size the program needs,
# and packs the Windows icon. The mark is laid out on a 16-unit grid and every edge is rounded to
# whole pixels, so each size is drawn sharp rather than scaled from another.
# Usage: make-icon.sh OUTDIR   ->  OUTDIR/kestrane-N.png (N = 16 24 32 48 256), OUTDIR/kestrane.ico
set -eu
out=$1
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The pixel edge of grid unit $1 at size $2.
px() { echo $(( ($1 * $2 + 8) / 16 )); }

# rect SIZE X0 Y0 X1 Y1 [RADIUS]: the draw primitive covering grid units [X0,X1) x [Y0,Y1).
rect() {
  s=$1
  x0=$(px "$2" "$s") y0=$(px "$3" "$s") x1=$(( $(px "$4" "$s") - 1 )) y1=$(( $(px "$5" "$s") - 1 ))
  if [ $# -ge 6 ]; then
    r=$(( ($6 * s + 8) / 16 ))
    echo "roundrectangle $x0,$y0 $x1,$y1 $r,$r"
  else
    echo "rectangle $x0,$y0 $x1,$y1"
  fi
}

# No dates or other varying chunks, so that the same script always makes the same bytes.
stable="-strip -define png:exclude-chunks=date,time"

draw() {
  s=$1
  convert -size "${s}x${s}" xc:none -stroke none \
    -fill '#b4502a' -draw "$(rect "$s" 0 1 16 15 2)" \
    -fill '#2b2f3a' -draw "$(rect "$s" 1 2 15 14 1)" \
    -fill '#ffffff' -draw "$(rect "$s" 3 8 13 10)" \
    -fill '#ffd75e' -draw "$(rect "$s" 5 11 11 13)" \
    $stable "PNG32:$2"
}

for s in 16 24 32 48 256; do
  draw "$s" "$out/kestrane-$s.png"
done

# The 4- and 8-bit images keep binary transparency (the icon's mask) and a palette that fits.
small=""
for bits in 4 8; do
  colours=$(( bits == 4 ? 15 : 255 ))
  for s in 16 24 32 48; do
    convert "$out/kestrane-$s.png" -channel A -threshold 50% +channel +dither -colors "$colours" \
      $stable "PNG32:$tmp/$bits-$s.png"
    small="$small $tmp/$bits-$s.png"
  done
done
icotool -c -o "$out/kestrane.ico" \
  -b 4 "$tmp/4-16.png" "$tmp/4-24.png" "$tmp/4-32.png" "$tmp/4-48.png" \
  -b 8 "$tmp/8-16.png" "$tmp/8-24.png" "$tmp/8-32.png" "$tmp/8-48.png" \
  -b 32 "$out/kestrane-16.png" "$out/kestrane-24.png" "$out/kestrane-32.png" \
  "$out/kestrane-48.png" -r "$out/kestrane-256.png"
