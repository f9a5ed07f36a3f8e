#!/usr/bin/env bash
# The encoder speeds on the reference album: time and file size of fast, standard and fine.
# The three run in turn RUNS times (default 2), so that the machine's changing load falls on
# each alike; the time is the best of its runs. SIZE=WxH renders at another size.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C.UTF-8
work="${BENCH_WORK:-/tmp/velomira-bench}"
mkdir -p "$work"
project=$(bench/make_reference_album.sh "$work/album")
render="${RENDER:-build/dist/velomira-render}"
runs="${RUNS:-2}"
size=()
[ -n "${SIZE:-}" ] && size=(--size "$SIZE")

declare -A best bytes
for run in $(seq 1 "$runs"); do
  for speed in fast standard fine; do
    start=$(date +%s.%N)
    "$render" "$project" "${size[@]}" --encoder-speed "$speed" -o "$work/speed_$speed.mp4" \
      2>"$work/speed_$speed.log"
    end=$(date +%s.%N)
    took=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", e - s }')
    best[$speed]=$(awk -v a="${best[$speed]:-}" -v b="$took" 'BEGIN { print (a == "" || b < a) ? b : a }')
    bytes[$speed]=$(stat -c %s "$work/speed_$speed.mp4")
  done
done
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-9s %8s %10s %8s\n' speed seconds bytes vs-std
for speed in fast standard fine; do
  printf '%-9s %8s %10s %8s\n' "$speed" "${best[$speed]}" "${bytes[$speed]}" \
    "$(awk -v a="${best[$speed]}" -v b="${best[standard]}" 'BEGIN { printf "%.2fx", a / b }')"
done
