#!/usr/bin/env bash
# The transition-heavy album: 24 pictures of 1920 x 1080 made into a 1280 x 720 video with a
# display time of 0.1 s, so that nearly every frame is a transition frame. The transitions come
# from a fixed table with effects of every family (not random, so runs compare). Times
# (r) velomira-render with raw frames against (e) the encoder alone encoding the same frames,
# made beforehand as raw yuv420p, with the same audio and output settings. Prints wall and
# processor times and the ratio r/e (target <= 1.25). This machine's timings wander, so each
# side runs RUNS times (default 2) and the best wall time counts.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target velomira-render -j "${BENCH_JOBS:-2}" >/dev/null
export LC_ALL=C.UTF-8
work="${BENCH_WORK:-/tmp/velomira-bench}"
mkdir -p "$work"
# The reference album's pictures (drawn once); its own project file is not used.
bench/make_reference_album.sh "$work/album" >/dev/null
render="${RENDER:-build/dist/velomira-render}"

# Wipes, shape reveals, clock sweeps, blinds, raster steps, slides, pushes, flies, zooms,
# spins, perspective swings, doors and the cross-fade.
transitions=(0 1 2 5 17 21 25 27 31 32 37 39 41 45 49 55 57 60 66 69 81 85 89 95)
project="$work/transition-album.dat"
{
  printf '{"text_watermark":0,"text_watermark_font":0,"text_watermark_font_size":8,'
  printf '"text_watermark_color":0,"logo":0,"logo_path":"","logo_location":3,'
  printf '"bgsound":1,"bgsound_auto_set_pause_time":0,"bgsound_auto_set_image_loop_play":0,'
  printf '"cover":0,"video_size":"1280x720","pause_time":0,"bgsound_items":["%s"],"imgs":[' \
    "$work/album/music.mp3"
  for i in $(seq 1 24); do
    index=${transitions[$(( i - 1 ))]}
    [ "$i" -eq 1 ] && index=99
    [ "$i" -gt 1 ] && printf ','
    printf '{"path":"%s","animationIndex":%d,"animationName":"","fileName":"ref_%02d.jpg",' \
      "$work/album/ref_$(printf %02d "$i").jpg" "$index" "$i"
    printf '"watermark_location":4,"watermark_text":"","turnAngle":0}'
  done
  printf ']}'
} | iconv -f UTF-8 -t GBK >"$project"

runs="${RUNS:-2}"
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
# Runs a command under /usr/bin/time; prints "wall cpu" in seconds.
timed() {
  /usr/bin/time -f '%e %U %S' -o "$work/time.txt" "$@" >/dev/null 2>"$work/timed.log"
  awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/time.txt"
}

frames=$("$render" "$project" --info | grep -o '"totalFrames":[[:space:]]*[0-9]*' | grep -o '[0-9]*$')
duration=$(awk -v f="$frames" 'BEGIN { printf "%.2f", f / 25 }')

echo "== (r) velomira-render, raw frames"
r=""
rCpu=""
for run in $(seq 1 "$runs"); do
  read -r wall cpu < <(timed "$render" "$project" --raw-frames -o "$work/transitions.mp4")
  r=$(best "$r" "$wall")
  rCpu=$(best "$rCpu" "$cpu")
done

echo "== (e) the encoder alone, from the same frames as raw yuv420p made beforehand"
rm -rf "$work/transition-frames"
"$render" "$project" --frames "$work/transition-frames" 2>/dev/null
/usr/bin/ffmpeg -y -v error -framerate 25 -i "$work/transition-frames/%06d.jpg" \
  -f rawvideo -pix_fmt yuv420p "$work/transition-frames.yuv"
rm -rf "$work/transition-frames"
e=""
eCpu=""
for run in $(seq 1 "$runs"); do
  read -r wall cpu < <(timed /usr/bin/ffmpeg -y -f rawvideo -pix_fmt yuv420p -s 1280x720 -r 25 \
    -i "$work/transition-frames.yuv" -i "concat:$work/album/music.mp3" -ac 2 -ar 44100 \
    -ab 128k -s 1280x720 -t "$duration" -pix_fmt yuv420p -v error "$work/encoder-alone.mp4")
  e=$(best "$e" "$wall")
  eCpu=$(best "$eCpu" "$cpu")
done
rm -f "$work/transition-frames.yuv"

printf 'frames: %s (%s s of video)\n' "$frames" "$duration"
printf '(r) velomira-render, raw frames: %.1f s wall (%.1f ms a frame), %.1f s processor\n' \
  "$r" "$(awk -v t="$r" -v f="$frames" 'BEGIN { print 1000 * t / f }')" "$rCpu"
printf '(e) encoder alone:               %.1f s wall (%.1f ms a frame), %.1f s processor\n' \
  "$e" "$(awk -v t="$e" -v f="$frames" 'BEGIN { print 1000 * t / f }')" "$eCpu"
printf 'ratio r/e: %.2f (target <= 1.25)\n' "$(awk -v a="$r" -v b="$e" 'BEGIN { print a / b }')"
