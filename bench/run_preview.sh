#!/usr/bin/env bash
# The preview benchmark: the reference album at 1280 x 720 played to its end in real time with
# a display that decodes every frame and records when it would show it, then the album ten
# times longer for LONG_SECONDS (default 120) before it is closed, as a user would; the queue
# is full long before that, so the peak memory has been reached. Prints per run the pacing
# against the 40 ms grid, the frame rate, the refill waits, the queue's peak and the peak
# memory above the idle process. Targets: pacing within +-2 ms on average, no refill wait on a
# 2-core machine, peak memory under 150 MB for both albums.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target bench_preview -j "${BENCH_JOBS:-2}" >/dev/null
export LC_ALL=C.UTF-8
work="${BENCH_WORK:-/tmp/velomira-bench}"
mkdir -p "$work"
project=$(bench/make_reference_album.sh "$work/album")
long=$(REPEAT=10 bench/make_reference_album.sh "$work/album")

echo "== the reference album, played to its end"
build/bench/bench_preview "$project"
echo
echo "== the album ten times longer, closed after ${LONG_SECONDS:-120} s"
build/bench/bench_preview "$long" --seconds "${LONG_SECONDS:-120}"
