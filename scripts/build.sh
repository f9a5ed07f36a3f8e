#!/usr/bin/env bash
# Configures and builds the two trees: build/ (g++, optimised, with benchmarks) and
# build-asan/ (clang with AddressSanitizer and UndefinedBehaviorSanitizer, with fuzz targets).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

# A compiler cache, when the machine has one, keeps rebuilds short.
# Paths are hashed relative to the checkout, so another clone of the project (CI's, a
# second work tree) reuses the same cache entries.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
  ccache --max-size=10G >/dev/null 2>&1 || true
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc "${launcher[@]}" >/dev/null
cmake --build build -j "$jobs"

if [ "${VELOMIRA_SKIP_ASAN:-0}" != 1 ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELOMIRA_SANITIZE=ON \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang "${launcher[@]}" >/dev/null
  cmake --build build-asan -j "$jobs"
fi
