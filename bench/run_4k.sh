#!/usr/bin/env bash
# The 4K benchmark: (a) velomira-render making a 3840 x 2160 video of PICTURES (default 30)
# photo-like pictures of that size (cross-fades, PAUSE seconds each, default 0.5), against
# (b) the encoder alone making the same video from the same frames already on disk. Prints the
# wall times and their ratio, the peak memory of velomira-render itself (its own report) and of
# the whole run (/usr/bin/time -v: the largest process, the encoder included), and the
# encoder's own peak in (b). Slow: each side encodes every 4K frame.
#
# Figures on the 2-core development machine while other builds ran (wall times wander widely):
#   30 pictures, 853 frames: velomira-render 503 MB itself before the queue bound, 479 MB with
#     it; the encoder 1670 MB.
#   PICTURES=8 PAUSE=0.1 (135 frames), with the bound: velomira-render 467 MB itself; time
#     (a) 281.6 s against (b) 327.3 s for the encoder alone, a/b 0.86; the encoder 1640 MB in
#     both. What velomira-render holds at 4K: the frame queue to the encoder (64 MB before, now
#     three frames, 37 MB), and some six pictures of 66 MB in the imaging library's 16-bit
#     form (the read-ahead picture, the previous frame, the picture, its canvas, the final
#     frame) with the 8-bit planes of the transition. The encoder's own memory (x264's
#     look-ahead at 4K) is not ours to bound without changing its settings.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target velomira-render -j "${BENCH_JOBS:-2}" >/dev/null
export LC_ALL=C.UTF-8
work="${BENCH_WORK:-/tmp/velomira-bench-4k}"
pictures="${PICTURES:-30}"
pause="${PAUSE:-0.5}"
render="${RENDER:-build/dist/velomira-render}"
mkdir -p "$work/pictures"
for i in $(seq 1 "$pictures"); do
  file="$work/pictures/p_$(printf %02d "$i").jpg"
  [ -f "$file" ] && continue
  hue=$(( (i * 37) % 360 ))
  convert -size 3840x2160 "gradient:hsl($hue,70%,60%)-hsl($(( (hue + 90) % 360 )),60%,30%)" \
    -fill "hsl($(( (hue + 180) % 360 )),80%,70%)" -draw "circle 1920,1080 1920,$(( 400 + i * 20 ))" \
    -attenuate 0.3 +noise Gaussian -quality 90 "$file"
done
album=(--pictures "$work"/pictures/p_*.jpg --size 3840x2160 --pause "$pause" --transition 31)
seconds() { date +%s.%N; }
peakOf() { grep -o 'Maximum resident set size (kbytes): [0-9]*' "$1" | grep -o '[0-9]*$'; }

echo "== (a) velomira-render at 3840 x 2160"
start=$(seconds)
VELOMIRA_PEAK_MEMORY_REPORT=1 /usr/bin/time -v "$render" "${album[@]}" -o "$work/a.mp4" \
  2>"$work/a.log"
a=$(awk -v s="$start" -v e="$(seconds)" 'BEGIN { print e - s }')
own=$(grep -o 'peak memory: [0-9]* kB' "$work/a.log" | grep -o '[0-9]*' | tail -1)
frames=$("$render" "${album[@]}" --info | grep -o '"totalFrames":[[:space:]]*[0-9]*' | grep -o '[0-9]*$')
duration=$(awk -v f="$frames" 'BEGIN { printf "%.2f", f / 25 }')

echo "== (b) the encoder alone, from the same frames on disk"
rm -rf "$work/frames"
"$render" "${album[@]}" --frames "$work/frames" 2>/dev/null
start=$(seconds)
/usr/bin/time -v /usr/bin/ffmpeg -y -f image2 -framerate 25 -vcodec mjpeg -i "$work/frames/%06d.jpg" \
  -s 3840x2160 -t "$duration" -pix_fmt yuv420p -v error "$work/b.mp4" 2>"$work/b.log"
b=$(awk -v s="$start" -v e="$(seconds)" 'BEGIN { print e - s }')

echo "frames: $frames ($duration s)"
printf 'time: (a) %.1f s, (b) %.1f s, a/b %.2f (aim <= 1.15)\n' "$a" "$b" \
  "$(awk -v a="$a" -v b="$b" 'BEGIN { print a / b }')"
echo "peak memory of velomira-render itself: $((own / 1024)) MB (aim <= 500)"
echo "peak memory of the run, largest process (the encoder): $(( $(peakOf "$work/a.log") / 1024 )) MB"
echo "peak memory of the encoder alone: $(( $(peakOf "$work/b.log") / 1024 )) MB"
