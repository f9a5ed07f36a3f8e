#!/usr/bin/env bash
# Builds the optimised tree (benchmark targets only) and runs every benchmark in it.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
targets=()
for source in bench/bench_*.cpp; do
  targets+=("$(basename "$source" .cpp)")
done
cmake --build build --target "${targets[@]}" -j "${BENCH_JOBS:-2}"
status=0
for target in "${targets[@]}"; do
  echo "== $target"
  "build/bench/$target" || status=1
done
exit $status
