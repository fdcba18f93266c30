#!/usr/bin/env bash
# Cross-builds Movarin and its Windows test suites into build-windows/ with
# mingw-w64 against Qt for Windows from the cache, and puts the bundled FFmpeg
# beside lib\ffmpeg.exe in the stage. Qt for Windows takes long to build: it
# is built (qt.sh) in CI or when MOVARIN_WINDOWS_MODE=full asks for it; without
# it only the parts that need no Qt are built (encoder front, process spawn).
# Prints the mode it built ("full" or "core") as its last line.
set -euo pipefail
cd "$(dirname "$0")/../.."
here=scripts/windows
source "$here/env.sh"

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
need=(g++-mingw-w64-x86-64-posix wine64 ninja-build cmake ccache ffmpeg libgtest-dev qt6-translations-l10n zip)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 update -qq
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
    --no-install-recommends "${missing[@]}"
fi

mode=core
if [ -f "$QT_MINGW/.movarin-complete" ] || [ "${CI:-}" = true ]; then
  mode=full
fi
mode="${MOVARIN_WINDOWS_MODE:-$mode}"
bash "$here/ffmpeg.sh"
common=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/$here/mingw-toolchain.cmake" -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_CROSSCOMPILING_EMULATOR="$WINE64")
export PKG_CONFIG_LIBDIR=/nonexistent PKG_CONFIG_PATH=
if [ "$mode" = full ]; then
  bash "$here/qt.sh"
  qt_source=$(find "$MOVARIN_WINDOWS_CACHE/qt6-src" -maxdepth 1 -type d -name 'qt6-base-*' | head -1)
  hostinfo=$(dirname "$(find /usr/lib -name Qt6HostInfoConfig.cmake | head -1)")
  cmake -S . -B build-windows "${common[@]}" \
    -DMOVARIN_WINDOWS_WITHOUT_QT=OFF \
    -DMOVARIN_WINDOWS_EXTRA_ROOTS="$QT_MINGW" \
    -DCMAKE_PREFIX_PATH="$QT_MINGW" \
    -DQt6_DIR="$QT_MINGW/lib/cmake/Qt6" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR="$(dirname "$hostinfo")" \
    -DMOVARIN_QT_SOURCE="$qt_source" >/dev/null
else
  echo "Windows build without Qt (no Qt for Windows in $QT_MINGW yet): encoder front and process spawn only"
  cmake -S . -B build-windows "${common[@]}" -DMOVARIN_WINDOWS_WITHOUT_QT=ON >/dev/null
fi
cmake --build build-windows -j2
mkdir -p build-windows/stage/lib/encoder
install -m 0755 "$FFMPEG_WIN" build-windows/stage/lib/encoder/ffmpeg.exe
echo "$mode"
