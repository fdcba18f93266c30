#!/usr/bin/env bash
# Fetches the Windows FFmpeg that the Windows build bundles and tests with
# (npm package @ffmpeg-installer/win32-x64) into the cache, unless present.
# It is a build input only and never enters the source tree.
set -euo pipefail
cache="${MOVARIN_WINDOWS_CACHE:-/var/cache/movarin}"
dest="$cache/ffmpeg-win64"
if [ -s "$dest/ffmpeg.exe" ]; then
  echo "Windows FFmpeg: cached in $dest"
  exit 0
fi
if ! command -v npm >/dev/null; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends npm
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent @ffmpeg-installer/win32-x64 >/dev/null)
tar -xzf "$work"/ffmpeg-installer-win32-x64-*.tgz -C "$work"
mkdir -p "$dest"
install -m 0755 "$work/package/ffmpeg.exe" "$dest/ffmpeg.exe"
for f in "$work"/package/*; do
  case "$f" in *.md|*LICENSE*|*README*) install -m 0644 "$f" "$dest/" ;; esac
done
echo "Windows FFmpeg: $(stat -c %s "$dest/ffmpeg.exe") bytes into $dest"
