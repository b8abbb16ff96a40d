#!/usr/bin/env bash
# Draws the window icon (16, 32, 48, 64 and 72 px PNG with transparency) and the
# 50 x 50 header GIF into src/app/resources/. Needs ImageMagick (Debian:
# imagemagick) and python3; the build itself only uses the committed outputs.
set -euo pipefail
out=$(cd "$(dirname "$0")/.." && pwd)/src/app/resources
mkdir -p "$out/icons"

# The icon, designed on a 64-unit grid and scaled: a light-grey monitor with a
# 3-D edge, a blue desktop on its screen, a neck and a foot.
icon() {
  local size=$1
  local f; f=$(python3 -c "print($size/64)"); local s="scale $f,$f"
  convert -size "${size}x${size}" xc:none -antialias \
    -draw "$s fill #808080 rectangle 4,6 60,48" \
    -draw "$s fill #E0E0E0 rectangle 4,6 58,46" \
    -draw "$s fill #C0C0C0 rectangle 6,8 58,46" \
    -draw "$s fill #404040 rectangle 10,12 54,42" \
    -draw "$s fill #2A5CA8 rectangle 12,14 52,40" \
    -draw "$s fill #3A7AD0 rectangle 12,14 52,24" \
    -draw "$s fill #3C8C3C rectangle 12,34 52,40" \
    -draw "$s fill #FFFFFF rectangle 16,18 22,22" \
    -draw "$s fill #A0A0A0 rectangle 26,48 38,54" \
    -draw "$s fill #808080 rectangle 16,54 48,60" \
    -draw "$s fill #C0C0C0 rectangle 16,54 46,58" \
    "PNG32:$out/icons/tessera-$size.png"
}
for size in 16 32 48 64 72; do icon "$size"; done

# The header picture: a light-blue outline of a monitor and keyboard inside a
# circle on a dark-blue ground.
convert -size 50x50 xc:'#0B2466' -antialias -fill none -stroke '#9CCBFF' -strokewidth 2 \
  -draw "circle 25,25 25,3" \
  -strokewidth 1.5 \
  -draw "rectangle 14,11 36,28" \
  -draw "rectangle 17,14 33,25" \
  -draw "line 25,28 25,32" \
  -draw "line 20,32 30,32" \
  -draw "rectangle 11,34 39,40" \
  -strokewidth 1 \
  -draw "line 14,37 36,37" \
  -alpha off +dither -colors 256 "$out/header.gif.tmp.gif"

# A full 256-entry colour table, no transparency, one frame.
python3 - "$out/header.gif.tmp.gif" "$out/header.gif" <<'PY'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
packed = data[10]
assert packed & 0x80, "no global colour table"
entries = 2 << (packed & 7)
table_end = 13 + 3 * entries
data[table_end:table_end] = bytes(3 * (256 - entries))
data[10] = (packed & 0xF8) | 7 | 0x70
open(sys.argv[2], 'wb').write(bytes(data))
PY
rm -f "$out/header.gif.tmp.gif"
