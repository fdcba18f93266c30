#!/usr/bin/env bash
# Installs the Debian 12 packages Movarin builds, runs and tests with, when missing.
set -euo pipefail
packages=(
  build-essential cmake ccache pkg-config
  qt6-base-dev qt6-translations-l10n libgl-dev
  # lupdate and lrelease: the English translation (i18n/)
  qt6-tools-dev qt6-l10n-tools
  libpng-dev zlib1g-dev libseccomp-dev libdvdread-dev
  ffmpeg
  # the test DVDs (the IFO, the subtitles) and the bilingual broadcast
  dvdauthor python3
  fonts-ipafont-gothic fonts-noto-cjk
  libgtest-dev
  xvfb xauth imagemagick
  # the end-to-end check through the desktop's accessibility bus
  at-spi2-core python3-pyatspi dbus
  clang libclang-rt-14-dev
  # the menu entry and metainfo checks, the Debian package and its Depends
  desktop-file-utils appstream dpkg-dev file lintian
  # the player's exFAT storage in the end-to-end runs (FUSE over a loop device)
  exfatprogs exfat-fuse
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
