#!/usr/bin/env bash
# Phone photos of today against camera JPEGs: COUNT (default 50) pictures of 4032 x 3024, once
# as JPEG and once as HEIC with the embedded thumbnail phones write, (1) added through the
# window's adding routine (velomira-render --info: probe, list icon, item) and (2) rendered at
# 1280 x 720 with two display times. Prints wall times, the HEIC/JPEG ratios (targets: at most 1.5 each) and the peak
# memory (/usr/bin/time). Each side runs RUNS times (default 2); the best wall time counts.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target velomira-render -j "${BENCH_JOBS:-2}" >/dev/null
export LC_ALL=C.UTF-8
work="${BENCH_WORK:-/tmp/velomira-bench-formats}"
count="${COUNT:-50}"
runs="${RUNS:-2}"
render="${RENDER:-build/dist/velomira-render}"
mkdir -p "$work/jpeg" "$work/heic" "$work/home"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config"

# One photo drawn, the rest copies: decoding cost is what is measured, not variety.
if [ ! -f "$work/photo.jpg" ]; then
  convert -size 504x378 "gradient:hsl(30,60%,65%)-hsl(200,50%,25%)" -attenuate 1.5 \
    +noise Gaussian -resize 4032x3024! -quality 90 "$work/photo.jpg"
  heif-enc -q 50 -t 320 -o "$work/photo.heic" "$work/photo.jpg" >/dev/null
fi
for i in $(seq -w 1 "$count"); do
  [ -f "$work/jpeg/p$i.jpg" ] || cp "$work/photo.jpg" "$work/jpeg/p$i.jpg"
  [ -f "$work/heic/p$i.heic" ] || cp "$work/photo.heic" "$work/heic/p$i.heic"
done

best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
# Runs the program under /usr/bin/time; prints "seconds peak_kB".
timed() {
  /usr/bin/time -f '%e %M' -o "$work/time.txt" "$render" "$@" >"$work/out.txt" 2>"$work/err.txt"
  cat "$work/time.txt"
}

# The same video for the count and the render, so that the time per frame is right. The album
# is rendered twice: with the display time a new album has (1.0 s), and with 0.2 s, where the
# decoding of each picture weighs five times as much against its frames.
declare -A add renderTime peak frames
for pause in 1.0 0.2; do
  shape=(--size 1280x720 --pause "$pause" --transition 31)
  for kind in jpeg heic; do
    files=("$work/$kind"/*)
    add[$kind]="" renderTime[$kind]="" peak[$kind]=0
    for run in $(seq 1 "$runs"); do
      read -r took kb < <(timed --pictures "${files[@]}" "${shape[@]}" --info)
      add[$kind]=$(best "${add[$kind]:-}" "$took")
      frames[$kind]=$(grep -o '"totalFrames":[^0-9]*[0-9]*' "$work/out.txt" | grep -o '[0-9]*$')
      read -r took kb2 < <(timed --pictures "${files[@]}" "${shape[@]}" -o "$work/$kind.mp4")
      renderTime[$kind]=$(best "${renderTime[$kind]:-}" "$took")
      for k in "$kb" "$kb2"; do
        [ "$k" -gt "${peak[$kind]:-0}" ] && peak[$kind]=$k
      done
    done
    printf '%-5s %s s: adding %d pictures: %6.2f s   render %s frames: %6.2f s (%.1f ms/frame)   peak %d MB\n' \
      "$kind" "$pause" "$count" "${add[$kind]}" "${frames[$kind]}" "${renderTime[$kind]}" \
      "$(awk -v t="${renderTime[$kind]}" -v f="${frames[$kind]}" 'BEGIN { print 1000 * t / f }')" \
      $(( ${peak[$kind]} / 1024 ))
  done
  awk -v p="$pause" -v a="${add[heic]}" -v b="${add[jpeg]}" -v c="${renderTime[heic]}" -v d="${renderTime[jpeg]}" \
    'BEGIN { printf "HEIC/JPEG at %s s: adding %.2f x (target <= 1.5), rendering %.2f x (target <= 1.5)\n", p, a / b, c / d }'
done
