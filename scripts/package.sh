#!/usr/bin/env bash
# Builds the Debian package velomira_<version>_amd64.deb into out/package and checks it with
# lintian, and the launcher and AppStream metadata with their validators. Slow (a build of its
# own without tests), so not part of ./test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh

checkers=(lintian appstream desktop-file-utils dpkg-dev file fakeroot)
missing=()
for p in "${checkers[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi
# The same compiler flags as build/, so the compiler cache serves most of this build.
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc "${launcher[@]}" \
  -DVELOMIRA_TESTS=OFF -DVELOMIRA_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build-package -j "$(nproc)"

mkdir -p out/package
rm -f out/package/velomira_*.deb
(cd build-package && cpack -G DEB -B "$PWD/../out/package" >/dev/null)
rm -rf out/package/_CPack_Packages
deb=$(ls out/package/velomira_*_amd64.deb)
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Depends

status=0
echo "== desktop-file-validate"
desktop-file-validate dist/velomira.desktop || status=1
echo "== appstreamcli validate"
appstreamcli validate --no-net --explain dist/org.velomira.Velomira.metainfo.xml || status=1
echo "== lintian"
# Errors fail the script; warnings and notes are printed for the reader.
lintian --tag-display-limit 0 "$deb" | tee out/package/lintian.txt || true
grep -q '^E:' out/package/lintian.txt && status=1
[ $status -eq 0 ] && echo "PACKAGE OK" || echo "PACKAGE CHECKS FAILED"
exit $status
