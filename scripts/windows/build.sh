#!/usr/bin/env bash
# Cross-builds Movarin and its Windows test suites into build-windows/ with
# mingw-w64 against Qt for Windows from the cache (qt.sh first builds it when
# the cache lacks it), and puts the bundled FFmpeg beside lib\ffmpeg.exe in the
# stage. MOVARIN_WINDOWS_MODE=core builds only the parts that need no Qt
# (encoder front, the Win32 services of the seam, job command lines), for a
# quick look at the seam without the half hour Qt takes to build once.
# Leaves the mode it built ("full" or "core") in build-windows/mode.
set -euo pipefail
cd "$(dirname "$0")/../.."
here=scripts/windows
source "$here/env.sh"

install_missing g++-mingw-w64-x86-64-posix wine64 ninja-build cmake ccache ffmpeg libgtest-dev qt6-translations-l10n zip \
  dvdauthor

mode="${MOVARIN_WINDOWS_MODE:-full}"
bash "$here/ffmpeg.sh"
common=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/$here/mingw-toolchain.cmake" -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_CROSSCOMPILING_EMULATOR="$WINE64" -DMOVARIN_DVDREAD_ROOT="$FFMPEG_WIN_DIR/dvdread")
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
  echo "Windows build without Qt: encoder front, Win32 services of the seam, job command lines"
  cmake -S . -B build-windows "${common[@]}" -DMOVARIN_WINDOWS_WITHOUT_QT=ON >/dev/null
fi
cmake --build build-windows -j2
mkdir -p build-windows/stage/lib/encoder
install -m 0755 "$FFMPEG_WIN" build-windows/stage/lib/encoder/ffmpeg.exe
echo "$mode" > build-windows/mode
