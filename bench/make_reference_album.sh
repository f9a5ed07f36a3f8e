#!/usr/bin/env bash
# Draws the reference album of the video benchmark: 24 landscape pictures of 1920 x 1080 and
# 4 portrait ones, a logo, and 60 s of music; prints the velomira-render arguments that make
# it into a video (2.0 s display, transitions from the whole catalogue, captions on a third).
# With REPEAT=n the picture list is given n times (the memory check's long album).
# TRANSITION=N gives every picture but the first that one transition, CAPTIONS=0 and LOGO=0
# leave captions and the logo out, NAME names the project file (the comparison with other
# tools renders a plain cross-fade album: NAME=peers TRANSITION=31 CAPTIONS=0 LOGO=0).
# MOTION=1..6 gives every picture that camera motion (1 zooms in; NAME=motion keeps it apart).
set -euo pipefail
out="${1:?usage: make_reference_album.sh FOLDER}"
repeat="${REPEAT:-1}"
transition="${TRANSITION:-}"
captions="${CAPTIONS:-1}"
logo="${LOGO:-1}"
name="${NAME:-reference}"
motion="${MOTION:-0}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
if [ ! -f "$out/music.mp3" ]; then
  for i in $(seq 1 28); do
    if [ "$i" -le 24 ]; then size=1920x1080; else size=1080x1920; fi
    hue=$(( (i * 37) % 360 ))
    convert -size "$size" "gradient:hsl($hue,70%,60%)-hsl($(( (hue + 90) % 360 )),60%,30%)" \
      -fill "hsl($(( (hue + 180) % 360 )),80%,70%)" -draw "circle 540,540 540,$(( 200 + i * 10 ))" \
      -quality 90 "$out/ref_$(printf %02d "$i").jpg"
  done
  convert -size 160x60 xc:none -fill '#00000099' -draw "roundrectangle 0,0 159,59 12,12" \
    -fill white -draw "circle 30,30 30,12" "$out/logo.png"
  ffmpeg -y -loglevel error -f lavfi -i "sine=frequency=440:duration=60:sample_rate=44100" \
    -ac 2 -c:a libmp3lame -b:a 128k "$out/music.mp3"
fi
# Captions and transitions per picture come from a project file: every third picture gets a
# caption, the transitions walk the catalogue with a stride so the whole of it is sampled.
catalogue=($(seq 0 92) 95 96 97 98)
{
  printf '{"text_watermark":1,"text_watermark_font":0,"text_watermark_font_size":8,'
  printf '"text_watermark_color":0,"logo":%d,"logo_path":"%s","logo_location":3,' "$logo" "$out/logo.png"
  printf '"bgsound":1,"bgsound_auto_set_pause_time":0,"bgsound_auto_set_image_loop_play":0,'
  printf '"cover":0,"video_size":"1280x720","pause_time":21,"bgsound_items":["%s"],"imgs":[' \
    "$out/music.mp3"
  sep=""
  n=0
  for r in $(seq 1 "$repeat"); do
    for i in $(seq 1 28); do
      index=${transition:-${catalogue[$(( (n * 7) % 97 ))]}}
      [ "$n" -eq 0 ] && index=99
      text=""
      [ "$captions" = 1 ] && [ $(( n % 3 )) -eq 0 ] && text="参考相册 $n"
      printf '%s{"path":"%s","animationIndex":%d,"animationName":"","fileName":"ref_%02d.jpg",' \
        "$sep" "$out/ref_$(printf %02d "$i").jpg" "$index" "$i"
      printf '"watermark_location":4,"watermark_text":"%s","turnAngle":0' "$text"
      [ "$motion" != 0 ] && printf ',"motion":%d' "$motion"
      printf '}'
      sep=","
      n=$((n + 1))
    done
  done
  printf ']}'
} | iconv -f UTF-8 -t GBK >"$out/$name-$repeat.dat"
echo "$out/$name-$repeat.dat"
