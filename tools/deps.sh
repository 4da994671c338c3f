#!/usr/bin/env bash
# Installs, on a Debian machine, the packages that building and testing Lorvane need.
# Does nothing when they are all present already.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev qt6-base-dev libgl-dev libgif-dev libpng-dev
          libgumbo-dev libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth fonts-liberation2
          parallel xdotool imagemagick x11-utils  # these three for the window checks under Xvfb
          libqpdf-dev qpdf poppler-utils libreoffice-writer-nogui python3-uno  # PDF documents and their checks
          fonts-wqy-microhei  # a font for Chinese, Japanese and Korean, which the PDFs embed
          default-jre-headless libpdfbox2-java libactivation-java libjaxb-api-java)  # the PDF/A validator
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
