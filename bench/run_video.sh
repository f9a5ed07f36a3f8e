#!/usr/bin/env bash
# The video benchmark: (a) velomira-render making the reference album's MP4 with JPEG frames,
# (r) the same with raw frames (--raw-frames, the default), against (b) the encoder alone making the same
# MP4 from the same JPEG frames already on disk. Prints the wall times, the ratios to (b), and
# the peak memory of velomira-render itself (the encoder not counted),
# then the same peak for an album ten times longer (skip with SKIP_LONG=1). This machine's
# timings wander by 10 % and more from run to run, so each side runs RUNS times (default 2):
# the wall times are the best of those, the peak memory the highest.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target velomira-render -j "${BENCH_JOBS:-2}" >/dev/null
export LC_ALL=C.UTF-8
work="${BENCH_WORK:-/tmp/velomira-bench}"
mkdir -p "$work"
project=$(bench/make_reference_album.sh "$work/album")
# RENDER=path times another build of the program (an earlier one, for a before/after figure).
render="${RENDER:-build/dist/velomira-render}"

seconds() { date +%s.%N; }

runs="${RUNS:-2}"
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

echo "== (a) velomira-render, JPEG frames composed in line with the encoder; (r) raw frames"
a=""
r=""
peak=0
declare -A shortPeak
for run in $(seq 1 "$runs"); do
  for transport in a r; do
    flag=(--jpeg-frames)
    [ "$transport" = r ] && flag=(--raw-frames)
    start=$(seconds)
    VELOMIRA_PEAK_MEMORY_REPORT=1 "$render" "$project" "${flag[@]}" -o "$work/$transport.mp4" \
      2>"$work/$transport.log"
    end=$(seconds)
    took=$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')
    if [ "$transport" = a ]; then a=$(best "$a" "$took"); else r=$(best "$r" "$took"); fi
    runPeak=$(grep -o 'peak memory: [0-9]* kB' "$work/$transport.log" | grep -o '[0-9]*')
    [ "$runPeak" -gt "$peak" ] && peak=$runPeak
    # Each transport's own peak: the long album is compared with the same transport.
    [ "$runPeak" -gt "${shortPeak[$transport]:-0}" ] && shortPeak[$transport]=$runPeak
  done
done
frames=$("$render" "$project" --info | grep -o '"totalFrames":[[:space:]]*[0-9]*' | grep -o '[0-9]*$')
duration=$(awk -v f="$frames" 'BEGIN { printf "%.2f", f / 25 }')

echo "== (b) the encoder alone, from frames on disk"
rm -rf "$work/frames"
"$render" "$project" --frames "$work/frames" 2>/dev/null
cp "$work/album/logo.png" "$work/frames/temp_logo.png"
b=""
for run in $(seq 1 "$runs"); do
  start=$(seconds)
  (cd "$work/frames" && /usr/bin/ffmpeg -y -f image2 -framerate 25 -vcodec mjpeg -i %06d.jpg \
    -i "concat:$work/album/music.mp3" -ac 2 -ar 44100 -ab 128k -s 1280x720 -t "$duration" \
    -vf "movie='temp_logo.png' [watermark]; [in][watermark] overlay=main_w-overlay_w-0:main_h-overlay_h-0 [out]" \
    -pix_fmt yuv420p -v error "$work/b.mp4")
  end=$(seconds)
  b=$(best "$b" "$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')")
done

printf 'frames: %s (%s s of video)\n' "$frames" "$duration"
printf '(a) velomira-render, JPEG frames: %.1f s\n(r) velomira-render, raw frames:  %.1f s\n' "$a" "$r"
printf '(b) encoder alone:                %.1f s\n' "$b"
printf 'ratio a/b: %.2f (target <= 1.15), r/b: %.2f\n' \
  "$(awk -v a="$a" -v b="$b" 'BEGIN { print a / b }')" "$(awk -v a="$r" -v b="$b" 'BEGIN { print a / b }')"
printf 'peak memory of velomira-render: %s MB (target <= 200)\n' "$(( peak / 1024 ))"

if [ "${SKIP_LONG:-0}" != 1 ]; then
  long=$(REPEAT=10 bench/make_reference_album.sh "$work/album")
  for transport in a r; do
    flag=(--jpeg-frames)
    [ "$transport" = r ] && flag=(--raw-frames)
    VELOMIRA_PEAK_MEMORY_REPORT=1 "$render" "$long" "${flag[@]}" -o "$work/long.mp4" \
      2>"$work/long.log"
    longPeak=$(grep -o 'peak memory: [0-9]* kB' "$work/long.log" | grep -o '[0-9]*')
    printf 'album ten times longer (%s): peak %s MB (%.1f %% of the short one; target within 10 %%)\n' \
      "$transport" "$(( longPeak / 1024 ))" \
      "$(awk -v l="$longPeak" -v p="${shortPeak[$transport]}" 'BEGIN { print 100 * l / p }')"
  done
fi
