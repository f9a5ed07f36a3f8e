#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need; only what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  clang libclang-rt-14-dev
  libmagickwand-6.q16-dev libcjson-dev libjpeg62-turbo-dev libpng-dev libswscale-dev
  libwebp-dev libheif-dev libde265-dev libheif-examples icc-profiles-free libimage-exiftool-perl
  libaubio-dev
  libssl-dev openssl ca-certificates python3
  libopencv-core-dev libopencv-imgproc-dev libopencv-objdetect-dev opencv-data python3-skimage
  libgtest-dev libbenchmark-dev
  ffmpeg atomicparsley imagemagick
  fonts-wqy-zenhei fonts-arphic-ukai fonts-arphic-uming
  xdg-user-dirs time ccache help2man
  qt6-base-dev qt6-multimedia-dev qt6-qpa-plugins qt6-translations-l10n
  xvfb xauth xdotool openbox x11-utils
  fonts-noto-mono
  libpango1.0-dev fonts-noto-core
  at-spi2-core dbus python3-pyatspi
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-pulseaudio pulseaudio
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "need root or sudo to install ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
