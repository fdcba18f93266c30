#!/usr/bin/env bash
# Builds for Windows, runs the Windows suites under Wine (a prefix of its own
# inside build-windows/), checks what the whole conversions under Wine wrote
# with the Linux ffprobe and what the front asks of Wine to confine FFmpeg,
# then makes the zip and starts it in a fresh prefix, and makes the installer
# and takes it through install, upgrade and uninstall.
set -euo pipefail
cd "$(dirname "$0")/../.."
here=scripts/windows
source "$here/env.sh"
bash "$here/build.sh"
mode=$(cat build-windows/mode)

export WINEPREFIX="$PWD/build-windows/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPATH="$(wine_path "$QT_MINGW/bin");$(wine_path "$MINGW_GCC_DIR");$(wine_path /usr/x86_64-w64-mingw32/lib)"
trap '"$WINESERVER" -k 2>/dev/null || true' EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$WINE64" wineboot --init >/dev/null 2>&1 || true
  "$WINESERVER" -w
fi
out=build-windows/e2e-out
rm -rf "$out"
mkdir -p "$out"
(cd build-windows && ctest --output-on-failure --timeout 900)

failed=0
expect() { # file stream expected-fields
  local got
  got=$(ffprobe -v error -select_streams "$2:0" -show_entries stream=codec_name,width,height,sample_rate,channels \
    -of compact=p=0 "$1" 2>&1 || true)
  if [ "$got" = "$3" ]; then
    echo "ffprobe ok: ${1#"$out"/} ($2) $got"
  else
    echo "ffprobe FAILED: ${1#"$out"/} ($2): got '$got', expected '$3'" >&2
    failed=1
  fi
}
# The front alone writes under the temporary name; Movarin renames.
expect "$out/front/出力 clip.mp4.movarin-part" v "codec_name=mpeg4|width=320|height=240"
expect "$out/front/出力 clip.mp4.movarin-part" a "codec_name=aac|sample_rate=44100|channels=2"
expect "$out/front/出力 clip.JPG.movarin-part" v "codec_name=mjpeg|width=160|height=120"
# Today's sources as the player should show them, held against their masters:
# saturation within 15 % for SDR, 25 % for HDR.
masters=build-windows/tests/windows
picture() { bash "$here/check-picture.sh" "$@" || failed=1; }
expect "$out/front/av1 4x3.mp4.movarin-part" a "codec_name=aac|sample_rate=44100|channels=2"
picture "$out/front/av1 4x3.mp4.movarin-part" 320 240 "$masters/master-4x3.mkv" 0.15
picture "$out/front/av1 4x3.JPG.movarin-part" 160 120 "$masters/master-4x3.mkv" 0.15
picture "$out/front/hlg 16x9.mp4.movarin-part" 320 180 "$masters/master-16x9.mkv" 0.25
picture "$out/front/hlg 16x9.JPG.movarin-part" 160 120 "$masters/master-16x9.mkv" 0.25
# FFmpeg's confinement, as the requests the front makes of Wine's server.
bash "$here/trace-confinement.sh" || failed=1
if [ "$mode" != full ]; then
  echo "Windows part without Qt: the window suites and the conversions from the main window did not run"
  exit $failed
fi
expect "$out/素材 clip.mp4" v "codec_name=mpeg4|width=320|height=240"
expect "$out/素材 clip.mp4" a "codec_name=aac|sample_rate=48000|channels=2"
expect "$out/素材 clip.mp3" a "codec_name=mp3|sample_rate=48000|channels=1"
expect "$out/player/VIDEO/素材 clip.mp4" v "codec_name=mpeg4|width=320|height=240"
expect "$out/player/VIDEO/素材 clip.mp4" a "codec_name=aac|sample_rate=44100|channels=2"
expect "$out/player/VIDEO/素材 clip.JPG" v "codec_name=mjpeg|width=160|height=120"
[ $failed -eq 0 ] || exit 1
# The zip a Windows user gets: every DLL it names is inside, and unzipped into a
# fresh prefix it starts.
"$WINESERVER" -k 2>/dev/null || true
bash "$here/bundle.sh"
bash "$here/try-zip.sh" check
bash "$here/installer.sh"
bash "$here/try-installer.sh"
