#!/usr/bin/env bash
# The installer as a Windows user meets it, silently (/S), in a fresh Wine
# prefix with its own home: a failed copy fails the run; an older version
# installed first is removed by its own uninstaller when this one goes over
# it; files, Start-menu shortcut, uninstall entry and movarin.exe's version
# information are checked; the installed movarin.exe starts (offscreen) and
# makes its work folder, and its lib\ffmpeg.exe converts a clip (ffprobe on
# the output); installed again over itself; uninstalled: everything gone but
# the user's MOVARIN_VIDEO folder. Makes the installer first when missing.
set -euo pipefail
cd "$(dirname "$0")/../.."
here=scripts/windows
source "$here/env.sh"
version=$(sed -n 's/^project(Movarin VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
stage="$PWD/build-windows/Movarin-$version-win64"
setup="$PWD/build-windows/Movarin-$version-setup.exe"
[ -f "$setup" ] || bash "$here/installer.sh"

work=$(mktemp -d)
# Wine needs an existing UTF-8 locale, or Japanese names are silently not written.
export HOME="$work/home" WINEPREFIX="$work/prefix" LC_ALL=C.UTF-8 WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"
cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail=0
problem() { echo "installer FAULT: $*" >&2; fail=1; }

"$WINE64" wineboot --init >/dev/null 2>&1 || true
"$WINESERVER" -w
user=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 ! -name Public -printf '%f\n' | head -1)
home_win="C:\\users\\$user"
home_unix="$WINEPREFIX/drive_c/users/$user"
inst="$home_unix/AppData/Local/Programs/Movarin"
inst_win="$home_win\\AppData\\Local\\Programs\\Movarin"
shortcut="$home_unix/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Movarin.lnk"
videos="$home_unix/Documents/MOVARIN_VIDEO"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Movarin'

# The installer and the uninstaller's copy of itself end before wineserver does.
run() { local rc=0; "$WINE64" "$@" >"$work/run.log" 2>&1 || rc=$?; "$WINESERVER" -w; return $rc; }
reg_value() { # entry name -> value, empty when missing
  sed -n "s/^ *$2 \+REG_[A-Z]\+ \+//p" <<<"$1"
}

check_installed() { # what, version, folder it was made from
  local f
  while IFS= read -r f; do
    cmp -s "$3/$f" "$inst/$f" || problem "$1: $f not installed as it is in the folder"
  done < <(cd "$3" && find . -type f | sed 's|^\./||')
  [ -f "$inst/Uninstall.exe" ] || problem "$1: no Uninstall.exe"
  [ -f "$shortcut" ] || problem "$1: no Start-menu shortcut"
  local entry name want got
  entry=$("$WINE64" reg query "$key" 2>/dev/null | tr -d '\r' || true)
  while IFS='|' read -r name want; do
    got=$(reg_value "$entry" "$name")
    [ "$got" = "$want" ] || problem "$1: uninstall entry $name is '$got', not '$want'"
  done <<VALUES
DisplayName|Movarin
DisplayVersion|$2
Publisher|Movarin developers
DisplayIcon|$inst_win\\movarin.exe,0
InstallLocation|$inst_win
UninstallString|"$inst_win\\Uninstall.exe"
QuietUninstallString|"$inst_win\\Uninstall.exe" /S
VALUES
  got=$(reg_value "$entry" EstimatedSize)
  [ $((${got:-0})) -gt 0 ] || problem "$1: EstimatedSize is '$got'"
}

# A file that cannot be written (a folder in its place) fails a silent run,
# and what it did write can be uninstalled.
mkdir -p "$inst/movarin.exe"
if run "$setup" /S; then problem "a failed copy still ended with exit code 0"; fi
rmdir "$inst/movarin.exe"
run "$inst/Uninstall.exe" /S || problem "uninstall after a failed copy: exit code $?"
[ ! -e "$inst" ] || problem "uninstall after a failed copy left $(cd "$inst" && find . | tr '\n' ' ')"

# An "older version" with files this one does not have.
old="$work/old/Movarin-0.9"
mkdir -p "$old/lib"
cp "$stage/movarin.exe" "$old/"
echo old > "$old/lib/old-only.txt"
bash "$here/installer.sh" "$old" 0.9 "$work/old-setup.exe" >/dev/null
run "$work/old-setup.exe" /S || problem "the older version did not install"
check_installed "older version" 0.9 "$old"
run "$setup" /S || problem "upgrade: exit code $?"
[ ! -e "$inst/lib/old-only.txt" ] || problem "upgrade: the older version's file stayed"
check_installed "upgrade" "$version" "$stage"

# The installed program: its version information, its start, its encoder.
rc=$(x86_64-w64-mingw32-windres -i "$inst/movarin.exe" -O rc 2>/dev/null || true)
grep -q "VALUE \"ProductVersion\", \"$version\"" <<<"$rc" || problem "movarin.exe has no version information $version"
grep -q 'RT_GROUP_ICON' <<<"$rc" || problem "movarin.exe has no icon"
(cd "$inst" && exec "$WINE64" movarin.exe >"$work/movarin.log" 2>&1) &
movarin=$!
sleep "${MOVARIN_TRY_WAIT:-15}"
if kill -0 "$movarin" 2>/dev/null; then
  echo "installer: the installed movarin.exe runs"
else
  problem "the installed movarin.exe did not keep running: $(cat "$work/movarin.log")"
fi
"$WINESERVER" -k 2>/dev/null || true
wait "$movarin" 2>/dev/null || true
[ -d "$videos" ] || problem "movarin.exe made no MOVARIN_VIDEO folder"
mkdir -p "$videos"
ffmpeg -v error -y -f lavfi -i testsrc=size=640x480:rate=25:duration=2 \
  -f lavfi -i sine=frequency=440:duration=2:sample_rate=48000 -c:v mpeg2video -c:a mp2 -shortest \
  "$work/素材 clip.mpg"
# The front alone leaves its output under the temporary name; Movarin renames.
out="$videos/変換 clip.mp4.movarin-part"
run "$inst/lib/ffmpeg.exe" -y -i "$(wine_path "$work/素材 clip.mpg")" -flags bitexact -vcodec mpeg4 \
  -s 320x240 -async 1000 -r 30 -acodec libfaac -b 1024kb -ac 2 -ar 44100 -ab 128k -f mp4 -vlevel 30 \
  "C:\\users\\$user\\Documents\\MOVARIN_VIDEO\\変換 clip.mp4" || problem "lib\\ffmpeg.exe: exit code $?: $(tail -5 "$work/run.log")"
for probe in "v|codec_name=mpeg4|width=320|height=240" "a|codec_name=aac|sample_rate=44100|channels=2"; do
  got=$(ffprobe -v error -select_streams "${probe%%|*}:0" \
    -show_entries stream=codec_name,width,height,sample_rate,channels -of compact=p=0 "$out" 2>&1 || true)
  [ "$got" = "${probe#*|}" ] || problem "converted clip: '$got', not '${probe#*|}'"
done

run "$setup" /S || problem "install over itself: exit code $?"
check_installed "install over itself" "$version" "$stage"

run "$inst/Uninstall.exe" /S || problem "uninstall: exit code $?"
[ ! -e "$inst" ] || problem "uninstall left $(cd "$inst" && find . | tr '\n' ' ')"
[ ! -e "$shortcut" ] || problem "uninstall left the Start-menu shortcut"
"$WINE64" reg query "$key" >/dev/null 2>&1 && problem "uninstall left the uninstall entry"
[ -f "$out" ] || problem "uninstall removed the user's MOVARIN_VIDEO file"
[ $fail -eq 0 ] && echo "installer: install, upgrade, start, conversion, reinstall and uninstall under Wine passed"
exit $fail
