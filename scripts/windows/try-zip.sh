#!/usr/bin/env bash
# Unzips the bundle into a temp folder, starts movarin.exe in a fresh Wine
# prefix on an Xvfb display and saves a screenshot of the screen.
# Usage: try-zip.sh [display] [screenshot.png]
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/windows/env.sh
display="${1:-:94}"
shot="${2:-build-windows/movarin-wine.png}"
zip=$(ls build-windows/Movarin-*-win64.zip | head -1)
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY="$display"
cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 2
unzip -q "$zip" -d "$work"
"$WINE64" wineboot --init >/dev/null 2>&1 || true
"$WINESERVER" -w
(cd "$work"/Movarin-*-win64 && "$WINE64" movarin.exe >"$work/movarin.log" 2>&1 &)
sleep "${MOVARIN_TRY_WAIT:-15}"
import -window root "$shot"
echo "screenshot: $shot"
