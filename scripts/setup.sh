#!/usr/bin/env bash
# Installs the Debian packages txl needs to build, test and run. Does nothing when they are all
# present, so every make target can call it. `setup.sh interop` adds the programs `make interop`
# checks our files with (LibreOffice, Python's vobject).
set -euo pipefail

# qt6-base-private-dev: the accessibility test switches the toolkit's accessibility on, as a
# running screen reader does, through its platform interface.
packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-private-dev qt6-pdf-dev qt6-wayland libgl-dev
  libsqlcipher-dev sqlcipher
  libsodium-dev libjpeg62-turbo-dev libxlsxwriter-dev libzip-dev libexpat1-dev
  unicode-data bzip2 libical-dev python3-icalendar python3-vobject
  fonts-arphic-uming fonts-liberation fonts-wqy-microhei
  xvfb xauth xdotool imagemagick poppler-utils openbox x11-utils
  cups printer-driver-cups-pdf
)
# `setup.sh package`: also what building, checking and trying out the Debian package takes.
if [ "${1:-}" = package ]; then
  packages+=(debhelper dpkg-dev lintian desktop-file-utils appstream wmctrl)
fi

# `setup.sh format`: the formatter `make format` and CI use.
if [ "${1:-}" = format ]; then
  packages+=(clang-format)
fi

# `setup.sh fuzz`: zzuf, which scripts/fuzz-import.py damages files with.
if [ "${1:-}" = fuzz ]; then
  packages+=(zzuf)
fi

if [ "${1:-}" = interop ]; then
  packages+=(libreoffice-calc-nogui python3-vobject khard)
fi

# `setup.sh samples`: the programs scripts/make-import-samples.py makes the import's test files with.
if [ "${1:-}" = samples ]; then
  packages+=(python3-openpyxl python3-xlsxwriter gnumeric libreoffice-calc-nogui)
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
