#!/usr/bin/env bash
# Makes build-windows/Movarin-<version>-win64.zip from the Windows build:
# movarin.exe with the Qt DLLs and the platform and style plugins it loads,
# the mingw runtime DLLs, the encoder front lib\ffmpeg.exe with the FFmpeg it
# runs (lib\encoder\ffmpeg.exe), Qt's Japanese translation, a qt.conf that
# points Qt at the folder and the licences of what is bundled. The installer
# (installer.sh) is made from the same folder. The artwork and
# the icon are built into movarin.exe.
set -euo pipefail
cd "$(dirname "$0")/../.."
here=scripts/windows
source "$here/env.sh"
[ -f build-windows/stage/movarin.exe ] || bash "$here/build.sh"

version=$(sed -n 's/^project(Movarin VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name="Movarin-$version-win64"
dir="build-windows/$name"
rm -rf "$dir" "build-windows/$name.zip"
mkdir -p "$dir/lib/encoder" "$dir/platforms" "$dir/styles" "$dir/translations"

install -m 0755 build-windows/stage/movarin.exe "$dir/"
install -m 0755 build-windows/stage/lib/ffmpeg.exe "$dir/lib/"
install -m 0755 "$FFMPEG_WIN" "$dir/lib/encoder/ffmpeg.exe"

# Licences: what the bundled FFmpeg is built from (ffmpeg.sh leaves the note
# and the texts in the cache), with its version, configuration and licence as
# the program prints them; Qt's base module is under the LGPL 3, which builds on the GPL 3.
mkdir -p "$dir/licenses"
cp "$FFMPEG_WIN_DIR"/licenses/* "$dir/licenses/"
export WINEPREFIX="${WINEPREFIX:-$PWD/build-windows/wine}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
{
  "$WINE64" "$FFMPEG_WIN" -hide_banner -version
  echo
  "$WINE64" "$FFMPEG_WIN" -hide_banner -L
} 2>&1 | tr -d '\r' | sed 's/$/\r/' > "$dir/licenses/FFmpeg.txt"
grep -q 'GNU Lesser General Public' "$dir/licenses/FFmpeg.txt" \
  || { echo "bundle: the bundled FFmpeg did not print its licence" >&2; exit 1; }
printf 'Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll and the plugins are Qt 6.4.2 (qtbase), built with mingw-w64\r\nfrom Debian'"'"'s qt6-base source package, under the GNU LGPL version 3 (LGPL-3.txt).\r\n' \
  > "$dir/licenses/Qt.txt"
sed 's/$/\r/' /usr/share/common-licenses/GPL-3 > "$dir/licenses/GPL-3.txt"
sed 's/$/\r/' /usr/share/common-licenses/LGPL-3 > "$dir/licenses/LGPL-3.txt"
for dll in Qt6Core Qt6Gui Qt6Widgets; do
  install -m 0755 "$QT_MINGW/bin/$dll.dll" "$dir/"
done
install -m 0755 "$QT_MINGW/plugins/platforms/qwindows.dll" "$dir/platforms/"
for style in "$QT_MINGW"/plugins/styles/*.dll; do
  [ -f "$style" ] && install -m 0755 "$style" "$dir/styles/"
done
for dll in "${MINGW_RUNTIME_DLLS[@]}"; do
  install -m 0755 "$dll" "$dir/"
done
install -m 0644 /usr/share/qt6/translations/qtbase_ja.qm "$dir/translations/"
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' > "$dir/qt.conf"

# Every DLL the programs name must be in the folder or be a system DLL.
for exe in "$dir"/movarin.exe "$dir"/*.dll "$dir"/platforms/*.dll; do
  for need in $(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p'); do
    case "$need" in
      Qt6*|libstdc++*|libgcc*|libwinpthread*)
        [ -f "$dir/$need" ] || { echo "bundle: $exe needs $need, which is missing" >&2; exit 1; } ;;
    esac
  done
done
# Debug symbols are of no use to a user and double the download.
for bin in "$dir"/movarin.exe "$dir"/lib/ffmpeg.exe "$dir"/*.dll "$dir"/platforms/*.dll "$dir"/styles/*.dll; do
  x86_64-w64-mingw32-strip --strip-unneeded "$bin"
done
(cd build-windows && zip -qr "$name.zip" "$name")
echo "bundle: build-windows/$name.zip ($(stat -c %s "build-windows/$name.zip") bytes)"
