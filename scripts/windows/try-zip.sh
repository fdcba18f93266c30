#!/usr/bin/env bash
# Unzips the bundle into a temp folder and starts movarin.exe from it in a
# fresh Wine prefix, as a Windows user would after unzipping it anywhere.
# Usage: try-zip.sh [display] [screenshot.png]  on an Xvfb display; saves a screenshot
#        try-zip.sh check                       headless (Qt's offscreen platform): fails
#                                               unless movarin.exe is still running after
#                                               the wait, i.e. every DLL and plugin loaded
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/windows/env.sh
display="${1:-:94}"
shot=$(realpath -m "${2:-build-windows/movarin-wine.png}")
zip=$(ls build-windows/Movarin-*-win64.zip | head -1)
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
if [ "$display" = check ]; then
  export QT_QPA_PLATFORM=offscreen
else
  export DISPLAY="$display"
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  sleep 2
fi
unzip -q "$zip" -d "$work"
"$WINE64" wineboot --init >/dev/null 2>&1 || true
"$WINESERVER" -w
cd "$work"/Movarin-*-win64
"$WINE64" movarin.exe >"$work/movarin.log" 2>&1 &
movarin=$!
sleep "${MOVARIN_TRY_WAIT:-15}"
if [ "$display" = check ]; then
  if kill -0 "$movarin" 2>/dev/null; then
    echo "zip: movarin.exe started from the unzipped folder in a fresh Wine prefix"
  else
    echo "zip: movarin.exe did not keep running:" >&2
    cat "$work/movarin.log" >&2
    exit 1
  fi
else
  import -window root "$shot"
  echo "screenshot: $shot"
fi
