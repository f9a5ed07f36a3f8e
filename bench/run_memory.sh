#!/usr/bin/env bash
# The window program's resident memory over a preview and three generations of a 1080 x 1920
# album (eight of the reference album's pictures, 1.0 s each), on the offscreen platform.
# BEFORE=1 also runs it with the allocator's trim turned into a no-op (a preloaded stub), which
# is how the program behaved before it asked the allocator to give memory back.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
work="${BENCH_WORK:-/tmp/velomira-bench}"
mkdir -p "$work/memory"
bench/make_reference_album.sh "$work/album" >/dev/null
render="${RENDER:-build/dist/velomira-render}"
driver="${DRIVER:-build/dist/velomira-memory}"
pictures=("$work"/album/ref_0[1-8].jpg)
"$render" --pictures "${pictures[@]}" --size 1080x1920 --pause 1.0 --info \
  --save "$work/memory/album.dat" >/dev/null
run() {
  "$driver" --out "$work/memory/out.mp4" "$work/memory/album.dat" | tee "$work/memory/$1.txt"
}
if [ "${BEFORE:-0}" = 1 ]; then
  printf 'int malloc_trim(unsigned long pad) { (void)pad; return 0; }\n' >"$work/memory/notrim.c"
  gcc -shared -fPIC -o "$work/memory/notrim.so" "$work/memory/notrim.c"
  echo "== without giving memory back"
  LD_PRELOAD="$work/memory/notrim.so" run before
fi
echo "== as built"
run after
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
