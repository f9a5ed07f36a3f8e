#!/usr/bin/env bash
# The music benchmark: the reference album's video made with its music as it is (no fades, no
# loudness pass: how a project without the new keys renders) and with fades, cross-fades and
# even loudness (the measuring pass included). Prints the best wall time of RUNS runs (default
# 3) of each and the added time as a share of the plain run and of the video's own length.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target velomira-render -j "${BENCH_JOBS:-2}" >/dev/null
export LC_ALL=C.UTF-8
work="${BENCH_WORK:-/tmp/velomira-bench}"
mkdir -p "$work"
project=$(bench/make_reference_album.sh "$work/album")
render="${RENDER:-build/dist/velomira-render}"
runs="${RUNS:-3}"

seconds() { date +%s.%N; }
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

plain=""
shaped=""
for run in $(seq 1 "$runs"); do
  for side in plain shaped; do
    options=(--no-music-fade --loudness off)
    [ "$side" = shaped ] && options=(--music-fade 2 --loudness -14)
    start=$(seconds)
    "$render" "$project" "${options[@]}" --quiet -o "$work/music_$side.mp4" 2>"$work/music_$side.log"
    took=$(awk -v s="$start" -v e="$(seconds)" 'BEGIN { print e - s }')
    if [ "$side" = plain ]; then plain=$(best "$plain" "$took"); else shaped=$(best "$shaped" "$took"); fi
  done
done
frames=$("$render" "$project" --info | grep -o '"totalFrames":[[:space:]]*[0-9]*' | grep -o '[0-9]*$')
awk -v p="$plain" -v s="$shaped" -v f="$frames" 'BEGIN {
  video = f / 25
  printf "plain music:             %.2f s\n", p
  printf "fades + even loudness:   %.2f s\n", s
  printf "added:                   %.2f s = %.1f %% of the plain run, %.1f %% of the video (%.1f s)\n",
         s - p, (s - p) * 100 / p, (s - p) * 100 / video, video
}'
