#!/usr/bin/env bash
# Builds Qt's base module (Core, Gui, Widgets, Test, the Windows and offscreen platform
# plugins; not the Direct2D one, JPEG or GIF, which Movarin never loads: Direct2D 1.1 off
# leaves that plugin out, while Direct2D itself must stay for the DirectWrite fonts) for
# 64-bit Windows with mingw-w64, from Debian's own qt6-base source, into a cache outside the
# source tree. Skips when the cache is already complete. Debian's host Qt supplies moc, rcc
# and uic. Prints the wall time of a build.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cache="${MOVARIN_WINDOWS_CACHE:-/var/cache/movarin}"
prefix="$cache/qt6-mingw"
stamp="$prefix/.movarin-complete"
if [ -f "$stamp" ]; then
  echo "Qt for mingw: cached in $prefix"
  exit 0
fi
# One build at a time: a second caller waits for the first and then finds the cache.
if [ -z "${MOVARIN_QT_LOCKED:-}" ]; then
  mkdir -p "$cache" 2>/dev/null || sudo mkdir -p "$cache"
  exec env MOVARIN_QT_LOCKED=1 flock "$cache/.qt-build.lock" bash "$0" "$@"
fi

source "$here/env.sh"
need=(g++-mingw-w64-x86-64-posix ninja-build cmake dpkg-dev qt6-base-dev qt6-base-dev-tools)
install_missing "${need[@]}"

start=$(date +%s)
$SUDO mkdir -p "$cache"
$SUDO chown "$(id -u):$(id -g)" "$cache"
src_root="$cache/qt6-src"
build="$cache/qt6-mingw-build"

# The source package from the same mirror the binary packages come from.
bash "$here/deb-src.sh"
srcdir=$(find "$src_root" -maxdepth 1 -type d -name 'qt6-base-6.4.2*' 2>/dev/null | head -1 || true)
if [ -z "$srcdir" ]; then
  rm -rf "$src_root"
  mkdir -p "$src_root"
  (cd "$src_root" && apt-get source -qq qt6-base)
  srcdir=$(find "$src_root" -maxdepth 1 -type d -name 'qt6-base-*' | head -1)
fi
case "$srcdir" in
  *6.4.2*) ;;
  *) echo "qt6-base source is not 6.4.2: $srcdir" >&2; exit 1 ;;
esac

hostinfo=$(dirname "$(find /usr/lib -name Qt6HostInfoConfig.cmake | head -1)")
rm -rf "$build"
mkdir -p "$build"
# The Windows side must not see the host's pkg-config files.
export PKG_CONFIG_LIBDIR=/nonexistent PKG_CONFIG_PATH=
cmake -S "$srcdir" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$here/mingw-toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR="$(dirname "$hostinfo")" \
  -DQt6HostInfo_DIR="$hostinfo" \
  -DBUILD_SHARED_LIBS=ON \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_pkg_config=OFF \
  -DFEATURE_icu=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF \
  -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF -DFEATURE_system_md4c=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no \
  -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF \
  -DFEATURE_direct2d1_1=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
cmake --build "$build" -j2
cmake --install "$build"
rm -rf "$build"
end=$(date +%s)
echo "$((end - start))" > "$prefix/.movarin-build-seconds"
touch "$stamp"
echo "Qt for mingw: built in $((end - start)) s into $prefix"
