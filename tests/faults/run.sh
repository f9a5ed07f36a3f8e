#!/usr/bin/env bash
# The fault campaign, runnable by hand: velomira-render against a frozen encoder, a stop, a
# nearly full disk, two running copies, hard stops, an encoder that never reads or writes
# garbage, odd output paths. Each case states its expected outcome; the summary counts data
# losses (an earlier video changed or a temporary file left) and hangs (a case past its time).
# Takes a few minutes (the encoder stall limit is 60 s); the full-disk case needs root.
#   usage: tests/faults/run.sh [build folder, default build]
set -u
cd "$(dirname "$0")/../.."
build=${1:-build}
render_src=$build/dist/velomira-render
[ -x "$render_src" ] || { echo "build $render_src first"; exit 2; }
export LC_ALL=C.UTF-8 TZ=UTC
work=$(mktemp -d /tmp/velomira-faults-XXXXXX)
trap 'mountpoint -q "$work/disk" && umount "$work/disk"; rm -rf "$work"' EXIT
pass=0 fail=0 losses=0 hangs=0

# A program folder of its own (tools can be swapped per case), with pictures to render.
prog=$work/prog
mkdir -p "$prog/tool" "$work/pics"
cp "$render_src" "$prog/"
ln -s /usr/bin/ffmpeg "$prog/tool/ffmpeg"
ln -s /usr/bin/AtomicParsley "$prog/tool/AtomicParsley"
render=$prog/velomira-render
colours=(red green blue yellow cyan magenta white gray orange purple)
pics=()
for i in $(seq 0 29); do
  p=$work/pics/p$i.png
  ffmpeg -v error -f lavfi -i "testsrc=s=320x180:r=1,hue=h=$((i * 12))" -frames:v 1 "$p"
  pics+=("$p")
done
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=40" -ac 2 "$work/tone.mp3"
long=(--pictures "${pics[@]}" --size 640x360 --pause 1)
short=(--pictures "${pics[@]:0:3}" --size 160x90 --pause 0.2)

result() { # name, ok(0/1), detail
  if [ "$2" = 0 ]; then pass=$((pass + 1)); echo "PASS  $1"; else fail=$((fail + 1)); echo "FAIL  $1: $3"; fi
}
encoder_of() { pgrep -P "$1" -x ffmpeg | head -1; }
wait_for_encoder() { # pid -> prints the encoder's pid
  for _ in $(seq 1 200); do e=$(encoder_of "$1"); [ -n "$e" ] && { echo "$e"; return; }; sleep 0.05; done
}
# Sets code to the exit code of pid, or 999 when it had to be killed after its time (a hang).
# Runs in this shell (never in $(...)): only the parent shell can wait for the child.
wait_limited() { # pid seconds
  for _ in $(seq 1 $(($2 * 10))); do
    if ! kill -0 "$1" 2>/dev/null; then wait "$1"; code=$?; return; fi
    sleep 0.1
  done
  kill -9 "$1"; wait "$1" 2>/dev/null; code=999
}
leftovers() { find "$1" -maxdepth 1 -name '.*part*' | wc -l; }
good_video() { # path: an earlier good video there
  "$render" "${short[@]}" -o "$1" >/dev/null 2>&1 && cp "$1" "$1.before"
}
kept() { cmp -s "$1" "$1.before"; }

# 1. Stop while the encoder is frozen: failed (exit 2), earlier video kept, no leftovers.
out=$work/out1/video.mp4; mkdir -p "$work/out1"; good_video "$out"
"$render" "${long[@]}" -o "$out" 2>"$work/1.err" & pid=$!
enc=$(wait_for_encoder $pid); sleep 1; kill -STOP "$enc"; kill -INT $pid
wait_limited $pid 40
[ "$code" = 999 ] && hangs=$((hangs + 1))
kept "$out" && [ "$(leftovers "$work/out1")" = 0 ] || losses=$((losses + 1))
result "1 stop with a frozen encoder -> exit 2, earlier video kept" \
  $([ "$code" = 2 ] && kept "$out" && ! kill -0 "$enc" 2>/dev/null; echo $?) "exit $code"

# 5. The encoder frozen, no stop: the stall limit ends the run (60 s; the FIFO attempt's
# encoder and the pipe's are both frozen, so about two minutes).
good_video "$out"
"$render" "${long[@]}" -o "$out" 2>"$work/5.err" & pid=$!
( while kill -0 $pid 2>/dev/null; do
    for e in $(pgrep -P $pid -x ffmpeg); do kill -STOP "$e" 2>/dev/null; done; sleep 0.5
  done ) &
wait_limited $pid 200
[ "$code" = 999 ] && hangs=$((hangs + 1))
kept "$out" && [ "$(leftovers "$work/out1")" = 0 ] || losses=$((losses + 1))
result "5 frozen encoder without a stop -> exit 2 after the stall limit, video kept" \
  $([ "$code" = 2 ] && kept "$out" && grep -q '没有读取任何数据' "$work/5.err"; echo $?) "exit $code"

# 5b. An encoder that never reads its input (FIFO gives up after 20 s, pipe stalls 60 s).
good_video "$out"
rm "$prog/tool/ffmpeg"; printf '#!/bin/sh\nexec sleep 100000\n' >"$prog/tool/ffmpeg"; chmod +x "$prog/tool/ffmpeg"
"$render" "${short[@]}" -o "$out" 2>"$work/5b.err" & pid=$!
wait_limited $pid 150
[ "$code" = 999 ] && hangs=$((hangs + 1))
kept "$out" || losses=$((losses + 1))
result "5b encoder that never reads -> exit 2 by itself, video kept" \
  $([ "$code" = 2 ] && kept "$out" && ! pgrep -x sleep -P $pid >/dev/null; echo $?) "exit $code"

# 10/15. An encoder that exits 0 after writing garbage; one that prints binary garbage.
rm "$prog/tool/ffmpeg"; ln -s /usr/bin/ffmpeg "$prog/tool/ffmpeg"
good_video "$out"
rm "$prog/tool/ffmpeg"
printf '#!/bin/sh\nfor last; do :; done\ncat >/dev/null\necho garbage >"$last"\nexit 0\n' >"$prog/tool/ffmpeg"
chmod +x "$prog/tool/ffmpeg"
code=0; "$render" "${short[@]}" -o "$out" 2>"$work/10.err" || code=$?
kept "$out" || losses=$((losses + 1))
result "10 encoder writing garbage -> exit 2, video kept" \
  $([ "$code" = 2 ] && kept "$out" && grep -q '不完整' "$work/10.err"; echo $?) "exit $code"
printf '#!/bin/sh\ncat >/dev/null\nprintf "bad\\377\\033[2J frame" >&2\nexit 1\n' >"$prog/tool/ffmpeg"
chmod +x "$prog/tool/ffmpeg"
code=0; "$render" "${short[@]}" -o "$out" 2>"$work/15.err" || code=$?
result "15 binary encoder output -> printable text only" \
  $([ "$code" = 2 ] && ! grep -q $'\033' "$work/15.err" && grep -q 'bad?' "$work/15.err"; echo $?) "exit $code"
rm "$prog/tool/ffmpeg"; ln -s /usr/bin/ffmpeg "$prog/tool/ffmpeg"

# 11. A stop keeps a video whose sound ends with its last picture.
out11=$work/out11.mp4
"$render" "${long[@]}" --music "$work/tone.mp3" -o "$out11" 2>"$work/11.err" & pid=$!
wait_for_encoder $pid >/dev/null; sleep 1; kill -INT $pid
wait_limited $pid 40
durations=$(ffprobe -v error -show_entries stream=duration -of csv=p=0 "$out11" 2>/dev/null | tr '\n' ' ')
result "11 stopped video -> exit 130, sound as long as the pictures ($durations)" \
  $([ "$code" = 130 ] && awk -v d="$durations" 'BEGIN{split(d,a," "); x=a[1]-a[2]; if (x<0) x=-x; exit !(x < 0.3 && a[1] < 29)}'; echo $?) "exit $code"

# 4. Hard stops: double Ctrl+C and SIGKILL leave no encoder running; the next run removes
# the dead run's temporary video.
for how in INT KILL; do
  out4=$work/out4/v.mp4; mkdir -p "$work/out4"
  "$render" "${long[@]}" -o "$out4" 2>/dev/null & pid=$!
  enc=$(wait_for_encoder $pid); sleep 0.5
  if [ $how = INT ]; then kill -INT $pid; sleep 0.2; kill -INT $pid; else kill -KILL $pid; fi
  wait $pid 2>/dev/null; sleep 0.5
  # A killed encoder may stay a zombie until init reaps it: only a live one is an orphan.
  state=$(awk '{print $3}' "/proc/$enc/stat" 2>/dev/null)
  orphan=$([ -n "$state" ] && [ "$state" != Z ] && echo yes || echo no)
  [ "$orphan" = yes ] && { kill -9 "$enc"; hangs=$((hangs + 1)); }
  "$render" "${short[@]}" -o "$out4" >/dev/null 2>&1
  left=$(leftovers "$work/out4")
  [ "$left" = 0 ] || losses=$((losses + 1))
  result "4 hard stop ($how) -> no orphan encoder, leftovers removed by the next run" \
    $([ "$orphan" = no ] && [ "$left" = 0 ]; echo $?) "orphan $orphan, leftovers $left"
done
stale=$(find "$prog/temp" -mindepth 1 -maxdepth 1 | wc -l)
result "4 temp folders of dead copies are gone after the next start" $([ "$stale" = 0 ]; echo $?) "$stale left"

# 3. Two copies share the program folder: B's exit leaves A's temporary folder alone.
"$render" "${long[@]}" -o "$work/a.mp4" 2>/dev/null & pid=$!
wait_for_encoder $pid >/dev/null
own=$(find "$prog/temp" -mindepth 1 -maxdepth 1 -name "$pid-*")
"$render" "${short[@]}" --info >/dev/null 2>&1
still=$([ -n "$own" ] && [ -d "$own" ] && echo yes || echo no)
wait_limited $pid 120
result "3 second copy started and closed -> first copy's folder kept, its run done" \
  $([ "$still" = yes ] && [ "$code" = 0 ]; echo $?) "folder kept $still, exit $code"

# 8/9. Output paths: folders refused before the run, the longest name the disk takes works.
mkdir -p "$work/dir"
for o in "$work/dir" "$work/dir/" "$work/missing/x.mp4"; do
  code=0; "$render" "${short[@]}" -o "$o" >/dev/null 2>"$work/8.err" || code=$?
  result "8 output '$o' -> exit 1 naming it" $([ "$code" = 1 ] && grep -qF "$o" "$work/8.err"; echo $?) "exit $code"
done
name=$(printf 'n%.0s' $(seq 1 251)).mp4
code=0; "$render" "${short[@]}" -o "$work/$name" >/dev/null 2>&1 || code=$?
result "9 a 255-byte file name -> exit 0" $([ "$code" = 0 ] && [ -s "$work/$name" ]; echo $?) "exit $code"

# 2. Cover step on a nearly full disk (root only: a tmpfs sized for the video but not a copy).
if [ "$(id -u)" = 0 ]; then
  "$render" "${long[@]}" -o "$work/size.mp4" >/dev/null 2>&1
  size=$(stat -c %s "$work/size.mp4")
  mkdir -p "$work/disk"
  mount -t tmpfs -o size=$((size * 3 / 2)) tmpfs "$work/disk"
  "$render" "${long[@]}" --cover "${pics[1]}" -o "$work/disk/c.mp4" 2>"$work/2.err" & pid=$!
  wait_limited $pid 200
  [ "$code" = 999 ] && hangs=$((hangs + 1))
  frames=$(ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$work/disk/c.mp4" 2>/dev/null | head -1)
  [ -n "$frames" ] || losses=$((losses + 1))
  result "2 cover on a nearly full disk -> video kept without cover, failure said" \
    $([ "$code" = 0 ] && [ -n "$frames" ] && ! grep -q 'with cover' "$work/2.err" && grep -Eq '封面设置失败|设置封面没有成功' "$work/2.err"; echo $?) "exit $code"
  umount "$work/disk"
else
  echo "SKIP  2 cover on a nearly full disk: mounting a tmpfs needs root"
fi

echo "passed $pass, failed $fail; data losses $losses, hangs $hangs"
[ "$fail" = 0 ] && [ "$losses" = 0 ] && [ "$hangs" = 0 ]
