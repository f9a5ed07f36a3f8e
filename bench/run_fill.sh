#!/usr/bin/env bash
# The fill mode benchmark at 1080 x 1920: an album of landscape photographs (3000 x 2000 JPEGs)
# made into frame files in each fill mode. Prints the processor time per frame of each mode and
# its ratio to fit. The cropped and blurred pictures are made once per picture, so their cost
# per frame should stay near fit's (aim: blur at most 1.1 x fit). The machine is shared: each
# mode runs RUNS times (default 3) and the best is kept.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target velomira-render -j "${BENCH_JOBS:-2}" >/dev/null
export LC_ALL=C.UTF-8
work="${BENCH_WORK:-/tmp/velomira-bench-fill}"
render="${RENDER:-build/dist/velomira-render}"
runs="${RUNS:-3}"
pictures="${PICTURES:-8}"
mkdir -p "$work/pictures"
list=()
for i in $(seq 1 "$pictures"); do
  file="$work/pictures/photo$i.jpg"
  [ -f "$file" ] || convert -size 3000x2000 "gradient:#$((i * 97 % 9))08040-#20$((i * 31 % 9))0c0" \
    -attenuate 0.4 +noise Gaussian -fill "#e0c020" -draw "circle 1500,1000 1500,$((300 + i * 40))" \
    -quality 90 "$file"
  list+=("$file")
done
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
frames=$("$render" --pictures "${list[@]}" --size 9:16 --pause 2 --transition 31 --info |
  grep -o '"totalFrames":[[:space:]]*[0-9]*' | grep -o '[0-9]*$')
declare -A cpu
for run in $(seq 1 "$runs"); do
  for mode in fit crop blur; do
    rm -rf "$work/frames"
    /usr/bin/time -f '%U %S' -o "$work/$mode.time" "$render" --pictures "${list[@]}" \
      --size 9:16 --pause 2 --transition 31 --fill "$mode" --frames "$work/frames" >/dev/null \
      2>"$work/$mode.log"
    read -r u s <"$work/$mode.time"
    cpu[$mode]=$(best "${cpu[$mode]:-}" "$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')")
  done
done
echo "fill modes at 1080 x 1920: $pictures pictures, $frames frames, best of $runs"
for mode in fit crop blur; do
  awk -v m="$mode" -v c="${cpu[$mode]}" -v f="$frames" -v fit="${cpu[fit]}" \
    'BEGIN { printf "%-5s %7.2f ms/frame  %.3f x fit\n", m, 1000 * c / f, c / fit }'
done
