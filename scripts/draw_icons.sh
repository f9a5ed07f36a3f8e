#!/usr/bin/env bash
# Draws the window program's own pictures into ui/qt/icons/: the 32 x 32 toolbar icons used
# where the desktop's icon theme has none, the program icon, and the picture the empty picture
# list shows. Simple shapes only, drawn with ImageMagick; the PNGs are committed, so a build
# never needs this script. Run it again after changing a drawing.
set -euo pipefail
cd "$(dirname "$0")/.."
out=ui/qt/icons
mkdir -p "$out"

# Stable files: no time stamps or tool versions inside the PNGs.
save() { convert "$@" -strip -define png:exclude-chunks=date,time "PNG32:$out/$name.png"; }
icon() { # name, then drawing arguments on a transparent 32 x 32 canvas
    name="$1"
    shift
    save -size 32x32 xc:none -strokewidth 2 "$@"
}

# A framed picture: sky, hill and sun, the base of the picture commands.
picture=(-fill '#ffffff' -stroke '#2f5597' -draw 'roundrectangle 3,6 26,25 2,2'
    -stroke none -fill '#9dc3e6' -draw 'rectangle 5,8 24,17'
    -fill '#70ad47' -draw 'polygon 5,23 12,14 18,20 21,17 24,23'
    -fill '#ffc000' -draw 'circle 20,11 20,13')
# A round badge at the lower right, in the colour of the command.
badge=(-stroke white -strokewidth 1.5 -draw 'circle 24,24 24,31')

icon project -fill '#f4c542' -stroke '#b7861b' -draw 'path "M3,9 L12,9 L14,12 L29,12 L29,27 L3,27 Z"' \
    -fill '#ffd966' -draw 'rectangle 3,15 29,27'
icon add_pictures "${picture[@]}" -fill '#2e9e44' "${badge[@]}" \
    -stroke white -strokewidth 2 -draw 'line 20,24 28,24' -draw 'line 24,20 24,28'
icon load_product -fill '#ff6a13' -stroke '#b34700' -draw 'roundrectangle 5,10 27,29 3,3' \
    -fill none -stroke '#b34700' -draw 'arc 10,3 22,17 180,360' \
    -stroke white -draw 'line 16,15 16,25' -draw 'polyline 12,21 16,25 20,21'
icon remove_pictures "${picture[@]}" -fill '#d9342b' "${badge[@]}" \
    -stroke white -strokewidth 2 -draw 'line 21,21 27,27' -draw 'line 27,21 21,27'
icon import_animation -fill '#404040' -stroke '#202020' -draw 'rectangle 4,5 28,27' \
    -stroke none -fill white -draw 'rectangle 6,7 8,9' -draw 'rectangle 6,23 8,25' \
    -draw 'rectangle 24,7 26,9' -draw 'rectangle 24,23 26,25' \
    -fill '#9dc3e6' -draw 'rectangle 11,8 21,15' -fill '#70ad47' -draw 'rectangle 11,17 21,24'
icon rotate_left "${picture[@]}" -fill none -stroke '#c00000' -strokewidth 2.5 \
    -draw 'path "M24,22 A8,8 0 1,0 10,17"' -fill '#c00000' -stroke none \
    -draw 'polygon 6,15 14,15 10,21'
icon rotate_right "${picture[@]}" -fill none -stroke '#c00000' -strokewidth 2.5 \
    -draw 'path "M8,22 A8,8 0 1,1 22,17"' -fill '#c00000' -stroke none \
    -draw 'polygon 18,15 26,15 22,21'
icon move_left -fill '#2f5597' -stroke '#1f3864' -strokewidth 1 \
    -draw 'polygon 3,16 15,5 15,11 29,11 29,21 15,21 15,27'
icon move_right -fill '#2f5597' -stroke '#1f3864' -strokewidth 1 \
    -draw 'polygon 29,16 17,5 17,11 3,11 3,21 17,21 17,27'
icon preview -fill '#2e9e44' -stroke '#1e6b2d' -draw 'circle 16,16 16,3' \
    -fill white -stroke none -draw 'polygon 12,9 24,16 12,23'
icon generate_video -fill '#2f5597' -stroke '#1f3864' -draw 'roundrectangle 2,8 22,25 3,3' \
    -fill '#1f3864' -draw 'polygon 22,14 30,9 30,24 22,19' \
    -fill '#ff4040' -stroke none -draw 'circle 8,13 8,15'
icon desktop_shortcut -fill '#d0e4f5' -stroke '#2f5597' -draw 'rectangle 3,4 29,22' \
    -fill '#2f5597' -draw 'rectangle 12,23 20,26' -draw 'rectangle 8,27 24,28' \
    -fill white -stroke '#2f5597' -strokewidth 1 -draw 'rectangle 6,12 15,20' \
    -fill none -stroke '#c00000' -strokewidth 2 -draw 'polyline 8,18 13,13' \
    -draw 'polyline 10,13 13,13 13,16'
icon official_site -fill '#9dc3e6' -stroke '#2f5597' -draw 'circle 16,16 16,3' \
    -fill none -strokewidth 1.5 -draw 'ellipse 16,16 6,13 0,360' \
    -draw 'line 3,16 29,16' -draw 'line 16,3 16,29' -draw 'arc 5,7 27,13 0,180' \
    -draw 'arc 5,19 27,25 180,360'
icon about -fill '#2f5597' -stroke '#1f3864' -draw 'circle 16,16 16,3' \
    -fill white -stroke none -draw 'rectangle 14,14 18,24' -draw 'circle 16,9 16,11'
icon settings -fill '#7f7f7f' -stroke '#404040' -strokewidth 1 \
    -draw 'polygon 14,2 18,2 19,7 23,5 27,9 25,13 30,14 30,18 25,19 27,23 23,27 19,25 18,30 14,30 13,25 9,27 5,23 7,19 2,18 2,14 7,13 5,9 9,5 13,7' \
    -fill white -draw 'circle 16,16 16,11'

# The program icon (window, tray, launcher): a film frame with a picture inside, drawn on a
# 64-unit grid scaled to the size asked for, so the larger launcher icons stay sharp.
programIcon() { # pixel size, then the output arguments
    size="$1"
    shift
    scale=$(awk -v s="$size" 'BEGIN { printf "%.4f", s / 64 }')
    convert -size "${size}x${size}" xc:none -affine "$scale,0,0,$scale,0,0" \
        -fill '#2f5597' -draw 'roundrectangle 2,2 61,61 10,10' \
        -fill white -draw 'rectangle 12,14 51,49' -fill '#9dc3e6' -draw 'rectangle 14,16 49,35' \
        -fill '#70ad47' -draw 'polygon 14,47 26,30 36,41 41,36 49,47' \
        -fill '#ffc000' -draw 'circle 41,23 41,27' \
        -fill white -draw 'rectangle 6,8 9,11' -draw 'rectangle 6,52 9,55' \
        -draw 'rectangle 54,8 57,11' -draw 'rectangle 54,52 57,55' \
        -strip -define png:exclude-chunks=date,time "$@"
}
programIcon 64 "PNG32:$out/velomira.png"
# The launcher's icons in the sizes desktops ask for (installed into the hicolor theme).
for size in 48 128 256; do
    mkdir -p "dist/icons/${size}x${size}"
    programIcon "$size" "PNG32:dist/icons/${size}x${size}/velomira.png"
done

# What the empty picture list shows in its place.
font=$(fc-match -f '%{file}' 'WenQuanYi Zen Hei:lang=zh' 2>/dev/null || true)
fontArgs=()
[ -n "$font" ] && fontArgs=(-font "$font")
name=empty_list
save -size 420x150 xc:none -fill '#f7f9fc' -stroke '#9aaabf' -strokewidth 2 \
    -draw 'roundrectangle 1,1 418,148 12,12' \
    -stroke '#9aaabf' -fill white -draw 'roundrectangle 24,35 104,105 4,4' \
    -stroke none -fill '#9dc3e6' -draw 'rectangle 28,39 100,80' \
    -fill '#70ad47' -draw 'polygon 28,101 52,70 72,90 82,80 100,101' \
    -fill '#ffc000' -draw 'circle 86,52 86,58' \
    -fill '#2e9e44' -draw 'circle 98,100 98,116' -fill white \
    -draw 'rectangle 90,98 106,102' -draw 'rectangle 96,92 100,108' \
    "${fontArgs[@]}" -fill '#3a4a60' -pointsize 20 -draw 'text 128,62 "双击这里添加图片"' \
    -fill '#6a7a90' -pointsize 15 -draw 'text 128,96 "也可以把图片文件拖放到窗口中"' \
    -draw 'text 128,120 "支持 JPG, PNG, GIF(静态), BMP, TBI"'
echo "icons in $out"
