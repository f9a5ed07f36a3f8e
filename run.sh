#!/usr/bin/env bash
# Set-up, build, then the main job on the built-in demo album: thirteen pictures drawn by
# examples/make_demo_album.sh with a logo, a cover, a melody, captions and a dozen different
# transitions, rendered at 1280 x 720 by velomira-render into out/demo.mp4. On a desktop (a
# display is present) the window program velomira opens the same album instead.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install_deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc >/dev/null
export LC_ALL=C.UTF-8
mkdir -p out
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  cmake --build build -j "$(nproc)" --target velomira
  examples/make_demo_album.sh out/demo-album >/dev/null
  exec build/dist/velomira "$PWD/out/demo-album/demo.dat"
fi
cmake --build build -j "$(nproc)" --target velomira-render
examples/make_demo_album.sh out/demo-album >/dev/null
build/dist/velomira-render out/demo-album/demo.dat -o out/demo.mp4
