#!/usr/bin/env bash
# Writes small test pictures in the formats of today into the folder given: a portrait that
# phones would store turned (EXIF orientations), WebP, HEIC, AVIF and TIFF stills, a picture
# with a wide-gamut colour profile, and broken or unusual files. Everything is made here with
# ImageMagick and exiftool; nothing is downloaded.
# Usage: make_format_pictures.sh FOLDER
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"
wide_profile=/usr/share/color/icc/compatibleWithAdobeRGB1998.icc
srgb_profile=/usr/share/color/icc/sRGB.icc

# The upright portrait: red over blue. Stored turned a quarter to the left, it needs a quarter
# turn to the right to stand, which EXIF orientation 6 says.
convert -size 24x40 xc:red \( -size 24x20 xc:blue \) -geometry +0+20 -composite upright.png
convert upright.png -rotate -90 o6.jpg
convert upright.png -rotate -90 o6.tif
convert upright.png -rotate -90 o6.webp
convert upright.png plain.jpg

convert upright.png s.webp
convert upright.png s.heic
convert upright.png s.avif
convert upright.png s.tif
cp s.heic o6.heic
# One exiftool run for all orientations (it starts slowly). HEIF turns by its own boxes; the
# EXIF orientation written beside them must not turn it again.
args=()
for o in 1 2 3 4 5 7 8 9; do
  cp o6.jpg "o$o.jpg"
  args+=(-Orientation="$o" "o$o.jpg" -execute)
done
for f in o6.jpg o6.tif o6.webp o6.heic; do
  args+=(-Orientation=6 "$f" -execute)
done
printf '%s\n' "${args[@]}" | exiftool -@ - -common_args -q -overwrite_original -n
convert -delay 10 upright.png o6.jpg -loop 0 anim.webp
convert upright.png -duplicate 49 pages.tif
convert -size 20x10 xc:red -colorspace CMYK cmyk.tif
# The same portrait, its pixels converted into a wide-gamut space and that profile embedded.
convert upright.png -profile "$srgb_profile" -profile "$wide_profile" wide.jpg
convert upright.png -profile "$srgb_profile" -profile "$wide_profile" PNG24:wide.png
heif-enc -q 95 -o wide.heic wide.png >/dev/null
# Ten times the portrait: shrunk as it is decoded when the frame is small. (heif-enc takes
# palette PNGs apart, hence PNG24.)
convert upright.png -scale 1000% PNG24:big.png
heif-enc -q 95 -o big.heic big.png >/dev/null

# Broken files.
head -c 300 s.heic > truncated.heic
python3 - <<'PY'
import struct
webp = open("s.webp", "rb").read()
open("lying.webp", "wb").write(webp[:4] + struct.pack("<I", 1 << 20) + webp[8:])
heic = open("s.heic", "rb").read()
at = heic.find(b"ispe")
while at >= 0:
    heic = heic[:at + 8] + struct.pack(">II", 100000, 100000) + heic[at + 16:]
    at = heic.find(b"ispe", at + 4)
open("ispe.heic", "wb").write(heic)
# A JPEG carrying a colour profile that is no profile: the colour library refuses it.
jpeg = open("wide.jpg", "rb").read()
at = jpeg.find(b"ICC_PROFILE\0")
length = struct.unpack(">H", jpeg[at - 2:at])[0]
junk = b"ICC_PROFILE\0\x01\x01" + struct.pack(">I", 200) + b"mntrRGB XYZ " + bytes(184)
open("broken_profile.jpg", "wb").write(jpeg[:at - 4] + b"\xff\xe2" + struct.pack(">H", len(junk) + 2) + junk + jpeg[at - 2 + length:])
PY
