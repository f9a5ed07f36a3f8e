#!/usr/bin/env bash
# Set-up, build, then the main job on the built-in demo album in examples/demo: the album is
# rendered frame by frame and the frames are made into out/demo.mp4 with ffmpeg.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install_deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc >/dev/null
cmake --build build -j "$(nproc)" --target velomira

export LC_ALL=C.UTF-8
rm -rf out/demo-frames
mkdir -p out
build/cli/velomira render examples/demo out/demo-frames 1280x720
ffmpeg -y -loglevel error -framerate 25 -i out/demo-frames/%06d.jpg \
  -c:v libx264 -pix_fmt yuv420p -movflags +faststart out/demo.mp4
rm -rf out/demo-frames
echo "video: $(pwd)/out/demo.mp4"
