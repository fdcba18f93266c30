# Shared settings of the Windows scripts (sourced, not run).
MOVARIN_WINDOWS_CACHE="${MOVARIN_WINDOWS_CACHE:-/var/cache/movarin}"
QT_MINGW="$MOVARIN_WINDOWS_CACHE/qt6-mingw"
FFMPEG_WIN_DIR="$MOVARIN_WINDOWS_CACHE/ffmpeg-mingw"
FFMPEG_WIN="$FFMPEG_WIN_DIR/ffmpeg.exe"
# Debian installs Wine's 64-bit loader in Wine's own folder, not on PATH.
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
MINGW_GCC_DIR=$(dirname "$(x86_64-w64-mingw32-gcc-posix -print-libgcc-file-name 2>/dev/null || echo /usr/lib/gcc/x86_64-w64-mingw32/12-posix/x)")
MINGW_RUNTIME_DLLS=(
  "$MINGW_GCC_DIR/libstdc++-6.dll"
  "$MINGW_GCC_DIR/libgcc_s_seh-1.dll"
  /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll
)
# Wine sees the Linux file system as drive Z:.
wine_path() { printf 'Z:%s' "$1"; }

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
apt_get() { $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"; }
# Installs those of the packages named that the machine lacks.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    apt_get update -qq
    apt_get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}
