#!/usr/bin/env bash
# The camera motion benchmark at 1280 x 720: the reference album with every picture zooming in
# (z) against the same album held still (s), each with JPEG frames (a) and raw frames (r),
# against the encoder alone making the zooming album's MP4 from its JPEG frames already on
# disk (b). Prints wall and processor times (the encoder's included), the ratios to (b), and the
# peak memory of velomira-render itself, then that peak for the zooming album ten times longer
# (skip with SKIP_LONG=1). Our own processor time per held frame, the encoder not counted, is
# bench_camera_motion's figure, printed last. The machine is shared with other builds: times
# wander by 10 % and more, so each side runs RUNS times (default 2) and the best is kept.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target velomira-render bench_camera_motion -j "${BENCH_JOBS:-2}" >/dev/null
export LC_ALL=C.UTF-8
work="${BENCH_WORK:-/tmp/velomira-bench}"
mkdir -p "$work"
still=$(bench/make_reference_album.sh "$work/album")
zoom=$(NAME=motion MOTION=1 bench/make_reference_album.sh "$work/album")
render="${RENDER:-build/dist/velomira-render}"
runs="${RUNS:-2}"
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

declare -A wall cpu
peak=0
for run in $(seq 1 "$runs"); do
  for album in s z; do
    project=$still
    [ "$album" = z ] && project=$zoom
    for transport in a r; do
      flag=(--jpeg-frames)
      [ "$transport" = r ] && flag=(--raw-frames)
      key="$album$transport"
      VELOMIRA_PEAK_MEMORY_REPORT=1 /usr/bin/time -f '%e %U %S' -o "$work/$key.time" \
        "$render" "$project" "${flag[@]}" -o "$work/$key.mp4" 2>"$work/$key.log"
      read -r e u s <"$work/$key.time"
      wall[$key]=$(best "${wall[$key]:-}" "$e")
      cpu[$key]=$(best "${cpu[$key]:-}" "$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')")
      runPeak=$(grep -o 'peak memory: [0-9]* kB' "$work/$key.log" | grep -o '[0-9]*')
      [ "$album" = z ] && [ "$runPeak" -gt "$peak" ] && peak=$runPeak
    done
  done
done
frames=$("$render" "$zoom" --info | grep -o '"totalFrames":[[:space:]]*[0-9]*' | grep -o '[0-9]*$')
stillFrames=$("$render" "$still" --info | grep -o '"totalFrames":[[:space:]]*[0-9]*' | grep -o '[0-9]*$')
duration=$(awk -v f="$frames" 'BEGIN { printf "%.2f", f / 25 }')

rm -rf "$work/motion-frames"
"$render" "$zoom" --frames "$work/motion-frames" 2>/dev/null
cp "$work/album/logo.png" "$work/motion-frames/temp_logo.png"
b=""
bcpu=""
for run in $(seq 1 "$runs"); do
  (cd "$work/motion-frames" && /usr/bin/time -f '%e %U %S' -o "$work/b.time" /usr/bin/ffmpeg -y \
    -f image2 -framerate 25 -vcodec mjpeg -i %06d.jpg \
    -i "concat:$work/album/music.mp3" -ac 2 -ar 44100 -ab 128k -s 1280x720 -t "$duration" \
    -vf "movie='temp_logo.png' [watermark]; [in][watermark] overlay=main_w-overlay_w-0:main_h-overlay_h-0 [out]" \
    -pix_fmt yuv420p -v error "$work/b.mp4")
  read -r e u s <"$work/b.time"
  b=$(best "$b" "$e")
  bcpu=$(best "$bcpu" "$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')")
done

printf 'frames: %s with motion, %s held still (%s s of video)\n' "$frames" "$stillFrames" "$duration"
for key in sa sr za zr; do
  case $key in
    sa) name="held still, JPEG frames";; sr) name="held still, raw frames ";;
    za) name="zoom-in,    JPEG frames";; zr) name="zoom-in,    raw frames ";;
  esac
  printf '%s: %6.1f s wall, %6.1f s processor, wall/(b) %.2f\n' "$name" "${wall[$key]}" \
    "${cpu[$key]}" "$(awk -v a="${wall[$key]}" -v b="$b" 'BEGIN { print a / b }')"
done
printf '(b) encoder alone on the zoom-in frames: %6.1f s wall, %6.1f s processor\n' "$b" "$bcpu"
printf 'raw zoom-in run / encoder alone: %.2f (target <= 1.15)\n' \
  "$(awk -v a="${wall[zr]}" -v b="$b" 'BEGIN { print a / b }')"
printf 'peak memory of velomira-render, zoom-in album: %s MB (target < 250)\n' "$(( peak / 1024 ))"

if [ "${SKIP_LONG:-0}" != 1 ]; then
  long=$(NAME=motion MOTION=1 REPEAT=10 bench/make_reference_album.sh "$work/album")
  VELOMIRA_PEAK_MEMORY_REPORT=1 "$render" "$long" --raw-frames -o "$work/long.mp4" \
    2>"$work/long.log"
  longPeak=$(grep -o 'peak memory: [0-9]* kB' "$work/long.log" | grep -o '[0-9]*')
  printf 'zoom-in album ten times longer (raw): peak %s MB\n' "$(( longPeak / 1024 ))"
fi

echo "== our processor time per held frame (bench_camera_motion, one thread, no encoder):"
echo "   heldFrames is one 50-frame hold per iteration: its CPU / 50 is one frame's"
build/bench/bench_camera_motion --benchmark_min_time=2 2>/dev/null
