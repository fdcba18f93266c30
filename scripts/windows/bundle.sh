#!/usr/bin/env bash
# Makes build-windows/Movarin-<version>-win64.zip from the Windows build:
# movarin.exe with the Qt DLLs and the platform and style plugins it loads,
# the mingw runtime DLLs, the encoder front lib\ffmpeg.exe with the FFmpeg it
# runs (lib\encoder\ffmpeg.exe), Qt's Japanese translation and a qt.conf that
# points Qt at the folder. The artwork and the icon are built into movarin.exe.
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
[ -f "$(dirname "$FFMPEG_WIN")/README.md" ] && install -m 0644 "$(dirname "$FFMPEG_WIN")/README.md" "$dir/lib/encoder/"
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
(cd build-windows && zip -qr "$name.zip" "$name")
echo "bundle: build-windows/$name.zip ($(stat -c %s "build-windows/$name.zip") bytes)"
