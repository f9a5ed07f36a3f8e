#!/usr/bin/env bash
# Draws COUNT camera-like pictures into FOLDER: 4000 x 3000 JPEG at quality 90, a colour
# gradient with grain made at an eighth of the size and enlarged, which gives about the detail
# and file size (over 2 MB) of a 12-megapixel camera picture. Drawing is slow, so a dozen
# distinct pictures are drawn and the rest are copies of them; pictures already there are kept.
set -euo pipefail
out="${1:?usage: make_camera_pictures.sh FOLDER [COUNT]}"
count="${2:-300}"
distinct=12
mkdir -p "$out"
for i in $(seq 1 "$distinct"); do
  file="$out/drawn_$(printf %02d "$i").jpg"
  [ -f "$file" ] && continue
  hue=$(( (i * 29) % 360 ))
  convert -size 500x375 "gradient:hsl($hue,60%,65%)-hsl($(( (hue + 120) % 360 )),50%,25%)" \
    -attenuate 1.5 +noise Gaussian -resize 4000x3000 \
    -fill "hsl($(( (hue + 200) % 360 )),70%,60%)" -draw "circle 2000,1500 2000,$(( 300 + i * 40 ))" \
    -quality 90 "jpg:$file.part"
  mv "$file.part" "$file"
done
for i in $(seq 1 "$count"); do
  file="$out/camera_$(printf %03d "$i").jpg"
  [ -f "$file" ] || cp "$out/drawn_$(printf %02d $(( (i - 1) % distinct + 1 ))).jpg" "$file"
done
echo "$out"
