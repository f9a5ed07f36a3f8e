#!/usr/bin/env bash
# The batch benchmark: 24 videos of 6 pictures at 640 x 360 with music, made (a) by a shell
# loop calling velomira-render once per video, (b) by one batch with --jobs 1 and (c) with
# --jobs 2. Prints videos per minute for each, the ratios to the loop and the highest peak
# memory of one job (from the batch report; the encoder not counted). Then the start-up of a
# batch of 10 000 rows: reading and planning the file (one row runs, and is skipped).
# Timings on a shared machine wander; RUNS (default 1) repeats each side and keeps the best.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target velomira-render -j "${BENCH_JOBS:-2}" >/dev/null
export LC_ALL=C.UTF-8
work="${BENCH_WORK:-/tmp/velomira-bench-batch}"
render="${RENDER:-$PWD/build/dist/velomira-render}"
videos="${VIDEOS:-24}"
runs="${RUNS:-1}"
mkdir -p "$work/pictures"
if [ ! -f "$work/pictures/music.mp3" ]; then
  for i in $(seq 1 6); do
    hue=$(( (i * 53) % 360 ))
    convert -size 1280x720 "gradient:hsl($hue,70%,60%)-hsl($(( (hue + 120) % 360 )),60%,30%)" \
      -quality 90 "$work/pictures/p$i.jpg"
  done
  ffmpeg -y -loglevel error -f lavfi -i "sine=frequency=440:duration=20:sample_rate=44100" \
    -ac 2 -c:a libmp3lame -b:a 128k "$work/pictures/music.mp3"
fi
pictures=$(printf "$work/pictures/p%d.jpg|" 1 2 3 4 5 6)
pictures=${pictures%|}
{
  echo "output,pictures"
  for i in $(seq 1 "$videos"); do echo "out/v$i,$pictures"; done
} >"$work/jobs.csv"
options=(--size 640x360 --pause 2 --transition 31 --music "$work/pictures/music.mp3")

seconds() { date +%s.%N; }
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
perMinute() { awk -v n="$videos" -v t="$1" 'BEGIN { printf "%.1f", n * 60 / t }'; }

loop=""
one=""
two=""
for run in $(seq 1 "$runs"); do
  rm -rf "$work/out"
  mkdir -p "$work/out"
  start=$(seconds)
  IFS='|' read -r -a list <<<"$pictures"
  for i in $(seq 1 "$videos"); do
    "$render" --pictures "${list[@]}" "${options[@]}" -o "$work/out/v$i.mp4" 2>/dev/null
  done
  loop=$(best "$loop" "$(awk -v s="$start" -v e="$(seconds)" 'BEGIN { print e - s }')")
  for jobs in 1 2; do
    rm -rf "$work/out"
    start=$(seconds)
    "$render" --batch "$work/jobs.csv" "${options[@]}" --jobs "$jobs" --quiet \
      --report "$work/report$jobs.csv"
    took=$(awk -v s="$start" -v e="$(seconds)" 'BEGIN { print e - s }')
    if [ "$jobs" = 1 ]; then one=$(best "$one" "$took"); else two=$(best "$two" "$took"); fi
  done
done
memory=$(tail -n +2 "$work/report2.csv" | cut -d, -f6 | sort -n | tail -1)
echo "videos: $videos of 6 pictures, 640x360, music; best of $runs"
printf "shell loop:        %6.1f s  %s videos/min\n" "$loop" "$(perMinute "$loop")"
printf "batch --jobs 1:    %6.1f s  %s videos/min  (%.2f x the loop)\n" "$one" "$(perMinute "$one")" \
  "$(awk -v a="$loop" -v b="$one" 'BEGIN { print a / b }')"
printf "batch --jobs 2:    %6.1f s  %s videos/min  (%.2f x the loop)\n" "$two" "$(perMinute "$two")" \
  "$(awk -v a="$loop" -v b="$two" 'BEGIN { print a / b }')"
echo "peak memory of one job: ${memory} kB"

# Start-up: 10 000 rows read and planned; --shard picks row 0 alone, whose video exists.
{
  echo "output,pictures,caption"
  for i in $(seq 0 9999); do echo "big/v$i,$pictures,\"item $i, \"\"new\"\"\""; done
} >"$work/big.csv"
mkdir -p "$work/big"
touch "$work/big/v0.mp4"
start=$(seconds)
"$render" --batch "$work/big.csv" --shard 0/100000 --quiet
printf "start-up of a 10 000-row batch: %.3f s\n" "$(awk -v s="$start" -v e="$(seconds)" 'BEGIN { print e - s }')"
