#!/usr/bin/env bash
# Speed against other tools on one album: 24 landscape 1920 x 1080 and 4 portrait JPEGs at
# 1280 x 720, a cross-fade into every picture but the first, 2.0 s display and an MP3, no
# captions and no logo. Four makers of the same MP4 (H.264 CRF 23 "medium", AAC 128k):
#   jpeg    velomira-render --jpeg-frames
#   raw     velomira-render --raw-frames (the default)
#   melt    MLT's melt on the same timeline (luma mix of the same length, same clip lengths)
#   ffmpeg  the encoder alone, turning our ready-made JPEG frames from disk into the MP4
# With BASELINE=path to another build of velomira-render, that build runs too (jpeg0, raw0), so
# a change is measured against the old program in the same rounds.
# They run in turn, RUNS rounds (default 3); each figure is the best of its rounds. Prints
# wall time and CPU time (user + system, children included) per frame, and the ratios to melt.
# melt is installed from Debian when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v melt >/dev/null; then
  echo "installing melt from Debian for the comparison"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "need root or sudo to install melt" >&2; exit 1; }
    sudo="sudo"
  fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends melt
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target velomira-render -j "${BENCH_JOBS:-2}" >/dev/null
export LC_ALL=C.UTF-8
work="${BENCH_WORK:-/tmp/velomira-peers}"
mkdir -p "$work"
project=$(NAME=peers TRANSITION=31 CAPTIONS=0 LOGO=0 bench/make_reference_album.sh "$work/album")
# RENDER=path times another build of the program (an earlier one, for a before/after figure).
render="${RENDER:-build/dist/velomira-render}"
runs="${RUNS:-3}"

# The timeline from our own frame counts: picture i holds frames[i] frames, of which the
# first t[i] = frames[i] - frames[0] are its cross-fade (the first picture has none). Each
# melt clip also covers the next picture's fade, which the mix overlaps.
"$render" "$project" --info >"$work/info.json"
python3 - "$work/info.json" "$work/album/music.mp3" >"$work/melt.args" <<'EOF'
import json, sys
info = json.load(open(sys.argv[1]))
frames = [p["frames"] for p in info["pictures"]]
paths = [p["path"] for p in info["pictures"]]
fades = [f - frames[0] for f in frames]
args = []
for i, (path, count) in enumerate(zip(paths, frames)):
    following = fades[i + 1] if i + 1 < len(fades) else 0
    args += [path, "in=0", "out=%d" % (count + following - 1)]
    if i > 0 and fades[i] > 0:
        args += ["-mix", str(fades[i]), "-mixer", "luma"]
args += ["-audio-track", sys.argv[2], "out=%d" % (info["totalFrames"] - 1)]
print("\n".join(args))
EOF
frames=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["totalFrames"])' "$work/info.json")
duration=$(awk -v f="$frames" 'BEGIN { printf "%.2f", f / 25 }')
mapfile -t meltArgs <"$work/melt.args"

rm -rf "$work/frames"
"$render" "$project" --frames "$work/frames" 2>/dev/null

run_jpeg() { "$render" "$project" --jpeg-frames -o "$work/jpeg.mp4" 2>"$work/jpeg.log"; }
run_raw() { "$render" "$project" --raw-frames -o "$work/raw.mp4" 2>"$work/raw.log"; }
run_jpeg0() { "$BASELINE" "$project" -o "$work/jpeg0.mp4" 2>"$work/jpeg0.log"; }
run_raw0() { "$BASELINE" "$project" --raw-frames -o "$work/raw0.mp4" 2>"$work/raw0.log"; }
run_melt() {
  melt -silent -profile atsc_720p_25 "${meltArgs[@]}" \
    -consumer "avformat:$work/melt.mp4" vcodec=libx264 crf=23 preset=medium acodec=aac ab=128k \
    ar=44100 channels=2 real_time=-2 >"$work/melt.log" 2>&1
}
run_ffmpeg() {
  (cd "$work/frames" && /usr/bin/ffmpeg -y -f image2 -framerate 25 -vcodec mjpeg -i %06d.jpg \
    -i "concat:$work/album/music.mp3" -ac 2 -ar 44100 -ab 128k -s 1280x720 -t "$duration" \
    -pix_fmt yuv420p -v error "$work/ffmpeg.mp4")
}

declare -A wall cpu
tools=(jpeg raw melt ffmpeg)
[ -n "${BASELINE:-}" ] && tools+=(jpeg0 raw0)
for round in $(seq 1 "$runs"); do
  for tool in "${tools[@]}"; do
    # bash's own timer counts the CPU of waited-for children too (the encoder of velomira-render).
    TIMEFORMAT='%R %U %S'
    { time "run_$tool"; } 2>"$work/time.$tool"
    read -r w u s <"$work/time.$tool"
    c=$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')
    wall[$tool]=$(awk -v a="${wall[$tool]:-}" -v b="$w" 'BEGIN { print (a == "" || b < a) ? b : a }')
    cpu[$tool]=$(awk -v a="${cpu[$tool]:-}" -v b="$c" 'BEGIN { print (a == "" || b < a) ? b : a }')
    printf 'round %d %-6s wall %6.2f s  cpu %6.2f s\n' "$round" "$tool" "$w" "$c"
  done
done

count() {
  ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of default=nw=1:nk=1 "$1"
}
peak=$(VELOMIRA_PEAK_MEMORY_REPORT=1 "$render" "$project" --raw-frames -o "$work/raw.mp4" 2>&1 |
  grep -o 'peak memory: [0-9]*' | grep -o '[0-9]*$')
peakJpeg=$(VELOMIRA_PEAK_MEMORY_REPORT=1 "$render" "$project" --jpeg-frames -o "$work/jpeg.mp4" 2>&1 |
  grep -o 'peak memory: [0-9]*' | grep -o '[0-9]*$')

echo
printf 'album: %s pictures, %s frames (%s s of video), best of %s rounds\n' \
  "$(python3 -c 'import json,sys; print(len(json.load(open(sys.argv[1]))["pictures"]))' "$work/info.json")" \
  "$frames" "$duration" "$runs"
printf '%-8s %12s %12s %10s %10s %8s\n' tool "wall ms/f" "cpu ms/f" "wall/melt" "cpu/melt" frames
for tool in "${tools[@]}"; do
  printf '%-8s %12.2f %12.2f %10.2f %10.2f %8s\n' "$tool" \
    "$(awk -v t="${wall[$tool]}" -v f="$frames" 'BEGIN { print 1000 * t / f }')" \
    "$(awk -v t="${cpu[$tool]}" -v f="$frames" 'BEGIN { print 1000 * t / f }')" \
    "$(awk -v t="${wall[$tool]}" -v m="${wall[melt]}" 'BEGIN { print t / m }')" \
    "$(awk -v t="${cpu[$tool]}" -v m="${cpu[melt]}" 'BEGIN { print t / m }')" \
    "$(count "$work/$tool.mp4")"
done
printf 'targets: raw wall <= 0.90 x melt, jpeg wall <= 1.05 x melt\n'
printf 'peak memory of velomira-render: jpeg %s MB, raw %s MB (target <= 200)\n' \
  "$(( peakJpeg / 1024 ))" "$(( peak / 1024 ))"
