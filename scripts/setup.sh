#!/usr/bin/env bash
# Installs the Debian packages txl needs to build, test and run. Does nothing when they are all
# present, so every make target can call it.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-pdf-dev qt6-wayland libgl-dev
  libsqlcipher-dev sqlcipher
  libsodium-dev libjpeg62-turbo-dev
  fonts-arphic-uming fonts-liberation fonts-wqy-microhei
  xvfb xauth xdotool imagemagick poppler-utils
)
# `setup.sh package`: also what building, checking and trying out the Debian package takes.
if [ "${1:-}" = package ]; then
  packages+=(debhelper dpkg-dev lintian desktop-file-utils appstream openbox wmctrl)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  sudo=sudo
else
  sudo=
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}"
