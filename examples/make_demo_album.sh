#!/usr/bin/env bash
# Draws the demo album into a folder: thirteen pictures (landscape, portrait, PNG, BMP, HEIC,
# WebP), a logo, a cover, a short melody as MP3, and demo.dat, a project file that names them
# with a dozen different transitions and captions in both styles. Everything is made here with
# ImageMagick and ffmpeg; nothing is downloaded.
set -euo pipefail
out="${1:?usage: make_demo_album.sh FOLDER}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
draw() { convert "$@"; }

# Scenes: a gradient sky, a ground band and a shape, each picture different.
scene() { # name size sky1 sky2 ground shape
  local name="$1" size="$2" sky1="$3" sky2="$4" ground="$5" shape="$6"
  local w="${size%x*}" h="${size#*x}"
  draw -size "$size" "gradient:$sky1-$sky2" \
    -fill "$ground" -draw "rectangle 0,$((h * 2 / 3)) $w,$h" \
    -fill white -stroke black -strokewidth 3 -draw "$shape" \
    -quality 90 "$out/$name"
}
scene 01_dawn.jpg      1920x1080 '#ffb347' '#ffcc33' '#3b5323' "circle 960,500 960,380"
scene 02_noon.jpg      1920x1080 '#4facfe' '#00f2fe' '#556b2f' "rectangle 700,300 1220,700"
scene 03_portrait.jpg  1080x1440 '#a18cd1' '#fbc2eb' '#2f4f4f' "circle 540,600 540,420"
scene 04_lake.jpg      1920x1080 '#2193b0' '#6dd5ed' '#1e3d59' "ellipse 960,780 500,90 0,360"
scene 05_forest.jpg    1600x1200 '#134e5e' '#71b280' '#0b3d0b' "polygon 800,150 500,800 1100,800"
scene 06_desert.jpg    1920x1080 '#f7971e' '#ffd200' '#c2b280' "polygon 400,720 700,420 1000,720"
scene 07_tall.jpg      900x1600  '#ff5f6d' '#ffc371' '#4b3621' "rectangle 250,500 650,1000"
scene 08_night.jpg     1920x1080 '#0f2027' '#2c5364' '#111111' "circle 1500,250 1500,180"
scene 09_harbour.jpg   1280x720  '#36d1dc' '#5b86e5' '#274060' "rectangle 300,380 980,470"
scene 10_field.jpg     1920x1080 '#e0eafc' '#cfdef3' '#7cb342' "circle 400,400 400,330"
draw -size 1200x900 "radial-gradient:#ffffff-#ff7043" -fill '#ffffff80' \
  -draw "roundrectangle 200,200 1000,700 60,60" "$out/11_badge.png"
draw -size 800x600 "plasma:fractal" -seed 7 "$out/12_texture.bmp" 2>/dev/null ||
  draw -size 800x600 "gradient:#8e2de2-#4a00e0" "$out/12_texture.bmp"
scene 13_sunset.jpg    1920x1080 '#ee0979' '#ff6a00' '#3e2723' "circle 960,720 960,560"
# Pictures of today: a phone's HEIC and a web shop's WebP.
draw "$out/10_field.jpg" "$out/10_field.heic" && rm "$out/10_field.jpg"
draw "$out/06_desert.jpg" -quality 85 "$out/06_desert.webp" && rm "$out/06_desert.jpg"

# Logo: a semi-transparent badge; cover: a picture of its own.
draw -size 180x70 xc:none -fill '#000000a0' -draw "roundrectangle 0,0 179,69 14,14" \
  -fill white -draw "circle 35,35 35,15" -fill '#ffcc33' -draw "rectangle 70,22 160,48" \
  "$out/logo.png"
draw -size 1024x768 "gradient:#614385-#516395" -fill white \
  -draw "circle 512,384 512,200" "$out/cover.jpg"

# A short melody: one phrase of notes, repeated.
notes=(523 587 659 698 784 698 659 587 523 659 784 1046 784 659 587 523)
inputs=()
labels=""
for i in "${!notes[@]}"; do
  inputs+=(-f lavfi -i "sine=frequency=${notes[$i]}:duration=0.5:sample_rate=44100")
  labels+="[$i:a]"
done
ffmpeg -y -loglevel error "${inputs[@]}" \
  -filter_complex "${labels}concat=n=${#notes[@]}:v=0:a=1,volume=0.25,aloop=loop=4:size=352800[a]" \
  -map "[a]" -ac 2 -c:a libmp3lame -b:a 128k "$out/melody.mp3"

# The project file: written as UTF-8, stored as GBK like every project file.
# file|transition index|its name as the program stores it|caption position|caption
items=(
  "01_dawn.jpg|99|无动画|4|清晨 Velomira 演示"
  "02_noon.jpg|2|从四周向中间展开(方)|0|"
  "03_portrait.jpg|10|从右上角展开|4|竖幅照片"
  "04_lake.jpg|17|从中间由小变大|0|"
  "05_forest.jpg|25|从中间向四周展开(圆)|5|森林"
  "06_desert.webp|33|顺逆时针方向同时展开|0|"
  "07_tall.jpg|41|从左到右光栅阶梯展开|4|"
  "08_night.jpg|47|顺时针旋转由大变小|8|夜空"
  "09_harbour.jpg|55|从中间向四周展开(菱)|0|"
  "10_field.heic|62|绕上边向外翻转进来|4|田野"
  "11_badge.png|70|从右向左滑出|0|"
  "12_texture.bmp|80|右方向两边扫射展开|4|纹理"
  "13_sunset.jpg|95|左右开门|4|谢谢观看"
)
{
  printf '{\n\t"text_watermark":\t1,\n\t"text_watermark_font":\t0,\n'
  printf '\t"text_watermark_font_size":\t8,\n\t"text_watermark_color":\t0,\n'
  printf '\t"logo":\t1,\n\t"logo_path":\t"%s",\n\t"logo_location":\t2,\n' "$out/logo.png"
  printf '\t"bgsound":\t1,\n\t"bgsound_auto_set_pause_time":\t0,\n'
  printf '\t"bgsound_auto_set_image_loop_play":\t0,\n'
  printf '\t"cover":\t1,\n\t"cover_path":\t"%s",\n' "$out/cover.jpg"
  printf '\t"video_size":\t"1280x720",\n\t"pause_time":\t21,\n'
  printf '\t"bgsound_items":\t["%s"],\n\t"imgs":\t[' "$out/melody.mp3"
  sep=""
  for entry in "${items[@]}"; do
    IFS='|' read -r file index name location text <<<"$entry"
    printf '%s{\n\t\t\t"path":\t"%s",\n\t\t\t"animationIndex":\t%d,\n' "$sep" "$out/$file" "$index"
    printf '\t\t\t"animationName":\t"%s",\n\t\t\t"fileName":\t"%s",\n' "$name" "$file"
    printf '\t\t\t"watermark_location":\t%d,\n\t\t\t"watermark_text":\t"%s",\n' "$location" "$text"
    printf '\t\t\t"turnAngle":\t0\n\t\t}'
    sep=", "
  done
  printf ']\n}'
} | iconv -f UTF-8 -t GBK >"$out/demo.dat"
echo "$out/demo.dat"
