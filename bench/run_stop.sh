#!/usr/bin/env bash
# How long a stop takes at 1920 x 1080 on the reference album: velomira-render is interrupted
# (Ctrl+C) AFTER seconds into the run (default 6, 10 and 14) and the time from the interrupt to
# the program's end is printed with its exit code (130: stopped). Target: at most 2 s.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C.UTF-8
work="${BENCH_WORK:-/tmp/velomira-bench}"
mkdir -p "$work"
project=$(bench/make_reference_album.sh "$work/album")
render="${RENDER:-build/dist/velomira-render}"
for after in ${AFTER:-6 10 14}; do
  "$render" "$project" --size 1920x1080 -o "$work/stop.mp4" 2>"$work/stop.log" &
  pid=$!
  sleep "$after"
  start=$(date +%s.%N)
  kill -INT "$pid"
  code=0
  wait "$pid" || code=$?
  end=$(date +%s.%N)
  printf 'stopped after %2s s: ended %.2f s after the stop (exit %d)\n' "$after" \
    "$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')" "$code"
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
