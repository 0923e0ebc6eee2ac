#!/usr/bin/env bash
# Installs every Debian package the project needs; does nothing when all are present.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config git
  libglfw3-dev libglew-dev libglu1-mesa-dev libgl1-mesa-dri mesa-utils
  zlib1g-dev libminizip-dev libdeflate-dev libpng-dev libjpeg62-turbo-dev
  libsdl2-mixer-dev
  libfreetype-dev fonts-dejavu-core libvorbis-dev libogg-dev
  libgtest-dev libgmock-dev libbenchmark-dev libtinyxml2-dev
  xvfb xauth xdotool x11-utils
  clang libclang-rt-14-dev valgrind
  ffmpeg sox zip
  parallel openssh-client
  gcovr
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
