#!/usr/bin/env bash
# Installs every Debian package the project builds, tests and runs with. Safe to run again: it
# asks apt only for what is missing, and says nothing when everything is already there.
# `install-deps.sh bench` adds what the benchmarks measure against (mpv, the window benchmark's
# anchor).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libboost-dev libboost-regex-dev
  libtinyxml-dev
  qt6-base-dev qt6-qpa-plugins
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libsdl2-dev
  nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fonts-wqy-microhei
  xvfb xauth xdotool imagemagick
  desktop-file-utils libxml2-utils dpkg-dev
  clang libclang-rt-14-dev
  ffmpeg
  python3
)
if [ "${1:-}" = bench ]; then packages+=(mpv); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq >/dev/null
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
