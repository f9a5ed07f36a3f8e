#!/usr/bin/env bash
# The fault campaign, runnable by hand: velomira-render against a frozen encoder, a stop, a
# nearly full disk, two running copies, hard stops, an encoder that never reads or writes
# garbage, odd output paths, stops and hang-ups over an earlier video, music with odd names and a
# one-hour track, a stop in the cover step, hostile batch files and sizes, and downloads from a
# local server (a picture too large, an error page with control sequences, a trickle). Each case
# states its expected outcome; the summary counts data losses (an earlier video changed or a
# temporary file left) and hangs (a case past its time).
# Takes a few minutes (the encoder stall limit is 60 s); the full-disk case needs root.
#   usage: tests/faults/run.sh [build folder, default build]
set -u
cd "$(dirname "$0")/../.."
build=${1:-build}
render_src=$build/dist/velomira-render
[ -x "$render_src" ] || { echo "build $render_src first"; exit 2; }
export LC_ALL=C.UTF-8 TZ=UTC
work=$(mktemp -d /tmp/velomira-faults-XXXXXX)
server=
trap '[ -n "$server" ] && kill $server 2>/dev/null; mountpoint -q "$work/disk" && umount "$work/disk"; rm -rf "$work"' EXIT
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

# A stop, SIGTERM or a closed terminal never replaces a complete earlier video: the
# stopped one goes beside it, named so, and no temporary file is left.
for sig in INT TERM HUP; do
  want=130; [ $sig = HUP ] && want=129
  out13=$work/out13/v.mp4; mkdir -p "$work/out13"; rm -f "$work/out13/"*; good_video "$out13"
  "$render" "${long[@]}" -o "$out13" 2>"$work/13.err" & pid=$!
  wait_for_encoder $pid >/dev/null; sleep 1; kill -$sig $pid
  wait_limited $pid 40
  [ "$code" = 999 ] && hangs=$((hangs + 1))
  beside="$work/out13/v (已停止).mp4"
  kept "$out13" && [ "$(leftovers "$work/out13")" = 0 ] || losses=$((losses + 1))
  result "SIG$sig over an earlier video -> exit $want, earlier kept, stopped video beside it" \
    $([ "$code" = $want ] && kept "$out13" && [ -s "$beside" ] && grep -qF "$beside" "$work/13.err" &&
      ffprobe -v error "$beside"; echo $?) "exit $code"
done

# Music named with a bar, quotes, a leading dash and non-UTF-8 bytes is mixed in; a stop
# with a one-hour track does not wait for the soundtrack.
mkdir -p "$work/music"
for n in 'a|b.mp3' "it's \"q\".mp3" '-lead.mp3' $'\xff\xfe.mp3'; do
  cp "$work/tone.mp3" "$work/music/$n"
  code=0; "$render" "${short[@]}" --music "$work/music/$n" -o "$work/m.mp4" >/dev/null 2>"$work/9.err" || code=$?
  audio=$(ffprobe -v error -select_streams a -show_entries stream=codec_type -of csv=p=0 "$work/m.mp4" 2>/dev/null)
  result "music named $(printf %q "$n") -> exit 0 with sound" $([ "$code" = 0 ] && [ "$audio" = audio ]; echo $?) "exit $code"
done
ffmpeg -v error -f lavfi -i "anullsrc=r=8000:cl=mono" -t 3600 -b:a 8k "$work/hour.mp3"
"$render" "${long[@]}" --music "$work/hour.mp3" -o "$work/hour.mp4" 2>"$work/9b.err" & pid=$!
wait_for_encoder $pid >/dev/null; sleep 2
began=$(date +%s.%N); kill -INT $pid; wait_limited $pid 120; took=$(echo "$(date +%s.%N) - $began" | bc)
[ "$code" = 999 ] && hangs=$((hangs + 1))
result "Ctrl+C with a one-hour track -> exit 130 within 5 s (took $took s)" \
  $([ "$code" = 130 ] && [ "$(echo "$took < 5" | bc)" = 1 ]; echo $?) "exit $code"

# A stop during the cover step is a stop: exit 130, the video kept without its cover.
mv "$prog/tool/AtomicParsley" "$prog/tool/AtomicParsley.real"
printf '#!/bin/sh\n: >"%s"\nexec sleep 100000\n' "$work/cover-started" >"$prog/tool/AtomicParsley"; chmod +x "$prog/tool/AtomicParsley"
"$render" "${short[@]}" --cover "${pics[0]}" -o "$work/cover.mp4" 2>"$work/c.err" & pid=$!
for _ in $(seq 1 600); do [ -e "$work/cover-started" ] && break; sleep 0.05; done
began=$(date +%s.%N); kill -INT $pid; wait_limited $pid 40; took=$(echo "$(date +%s.%N) - $began" | bc)
[ "$code" = 999 ] && hangs=$((hangs + 1))
rm "$prog/tool/AtomicParsley"; mv "$prog/tool/AtomicParsley.real" "$prog/tool/AtomicParsley"
result "stop during the cover step -> exit 130 within 2 s (took $took s), video kept" \
  $([ "$code" = 130 ] && [ "$(echo "$took < 2" | bc)" = 1 ] && ffprobe -v error "$work/cover.mp4"; echo $?) "exit $code"

# Batch files that are no regular file, and sizes the encoder cannot take, are
# refused before any work.
mkfifo "$work/batch.fifo"
for b in /dev/zero "$work/batch.fifo"; do
  code=0; timeout 20 "$render" --batch "$b" >/dev/null 2>&1 || code=$?
  result "--batch $b -> exit 3" $([ "$code" = 3 ]; echo $?) "exit $code"
done
code=0; "$render" "${short[@]}" --size 1081x1921 -o "$work/odd.mp4" >/dev/null 2>&1 || code=$?
result "--size 1081x1921 -> exit 1 before the run" $([ "$code" = 1 ] && [ ! -e "$work/odd.mp4" ]; echo $?) "exit $code"

# A local server for the downloads: pictures, one that declares 100000 x 100000, one that
# trickles in a byte a second, and an error page with a terminal title sequence.
mkdir -p "$work/www"
cp "${pics[0]}" "$work/www/a.png"; cp "${pics[1]}" "$work/www/b.png"
printf '\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\x00\x01\x86\xa0\x00\x01\x86\xa0\x08\x02\x00\x00\x00' >"$work/www/huge.png"
python3 -c 'import zlib,sys; d=open(sys.argv[1],"rb").read(); c=zlib.crc32(d[12:29]); open(sys.argv[1],"ab").write(c.to_bytes(4,"big")+b"\x00\x00\x00\x00IEND\xaeB`\x82")' "$work/www/huge.png"
cat >"$work/server.py" <<'PY'
import http.server, sys, time
class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        if self.path == "/trickle.jpg":
            self.send_response(200); self.send_header("Content-Length", "100000"); self.end_headers()
            try:
                for _ in range(100000):
                    self.wfile.write(b"x"); self.wfile.flush(); time.sleep(1)
            except Exception:
                pass
            return
        if self.path == "/evil.jpg":
            body = b"\x1b]0;owned\x07<b>error</b>"
            self.send_response(500); self.send_header("Content-Length", str(len(body))); self.end_headers()
            self.wfile.write(body); return
        return super().do_GET()
    def log_message(self, *args):
        pass
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), lambda *a: Handler(*a, directory=sys.argv[1]))
print(server.server_address[1], flush=True)
server.serve_forever()
PY
python3 "$work/server.py" "$work/www" >"$work/port" & server=$!
for _ in $(seq 1 100); do [ -s "$work/port" ] && break; sleep 0.05; done
url=http://127.0.0.1:$(cat "$work/port")

# A downloaded picture too large to read is refused by name; the video is made of the rest.
code=0; "$render" --product "$url/a.png;$url/huge.png;$url/b.png" --size 160x90 --pause 0.2 -o "$work/shop.mp4" >/dev/null 2>"$work/5.err" || code=$?
result "a shop picture of 100000 x 100000 -> refused by name, video of the others" \
  $([ "$code" = 0 ] && grep -q '图片太大' "$work/5.err" && ffprobe -v error "$work/shop.mp4"; echo $?) "exit $code"

# A server's error page never reaches the terminal as control sequences.
code=0; "$render" --product "$url/evil.jpg;$url/a.png" --size 160x90 --pause 0.2 -o "$work/evil.mp4" >/dev/null 2>"$work/6.err" || code=$?
result "an error page with a title sequence -> printable text only" \
  $(! grep -q $'\033' "$work/6.err" && ! grep -q $'\007' "$work/6.err"; echo $?) "exit $code"

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

# Ctrl+C during a picture that trickles in ends the run within 2 s with exit 130.
"$render" --product "$url/trickle.jpg" --size 160x90 --pause 0.2 -o "$work/trickle.mp4" >/dev/null 2>"$work/4.err" & pid=$!
sleep 2
began=$(date +%s.%N); kill -INT $pid; wait_limited $pid 400; took=$(echo "$(date +%s.%N) - $began" | bc)
[ "$code" = 999 ] && hangs=$((hangs + 1))
result "Ctrl+C during a trickling download -> exit 130 within 2 s (took $took s)" \
  $([ "$code" = 130 ] && [ "$(echo "$took < 2" | bc)" = 1 ]; echo $?) "exit $code"
kill $server 2>/dev/null; wait $server 2>/dev/null

echo "passed $pass, failed $fail; data losses $losses, hangs $hangs"
[ "$fail" = 0 ] && [ "$losses" = 0 ] && [ "$hangs" = 0 ]
