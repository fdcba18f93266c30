#!/usr/bin/env bash
# Makes the Windows installer build-windows/Movarin-<version>-setup.exe from the
# folder the zip is made from (bundle.sh makes it when missing): every file of
# that folder, and the uninstaller removes exactly those.
# Usage: installer.sh [folder version setup.exe]   (the test makes an "old version" so)
set -euo pipefail
cd "$(dirname "$0")/../.."
here=scripts/windows
source "$here/env.sh"
if [ $# -eq 3 ]; then
  stage=$(realpath "$1") version=$2 out=$(realpath -m "$3")
else
  version=$(sed -n 's/^project(Movarin VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
  stage="$PWD/build-windows/Movarin-$version-win64"
  [ -f "$stage/movarin.exe" ] || bash "$here/bundle.sh"
  out="$PWD/build-windows/Movarin-$version-setup.exe"
fi
install_missing nsis

# makensis reads the folder's Japanese file names only in a UTF-8 locale.
export LC_ALL=C.UTF-8
gen=$(mktemp -d)
trap 'rm -rf "$gen"' EXIT
# At run time NSIS reads '$' as the start of a variable, and Windows wants '\'.
# (File takes the source path as it is.)
nsis_path() { sed 's/\$/$$/g; s|/|\\|g' <<<"$1"; }
(
  cd "$stage"
  find . -type f | sed 's|^\./||' | LC_ALL=C sort > "$gen/files"
  find . -mindepth 1 -type d | sed 's|^\./||' | LC_ALL=C sort -r > "$gen/dirs"
)
{
  last=""
  while IFS= read -r f; do
    dir=$(dirname "$f")
    if [ "$dir" != "$last" ]; then
      if [ "$dir" = . ]; then echo 'SetOutPath "$INSTDIR"'; else echo "SetOutPath \"\$INSTDIR\\$(nsis_path "$dir")\""; fi
      last=$dir
    fi
    echo "File \"$stage/$f\""
  done < "$gen/files"
} > "$gen/files.nsh"
{
  while IFS= read -r f; do echo "Delete \"\$INSTDIR\\$(nsis_path "$f")\""; done < "$gen/files"
  # Deepest first; a folder the user put something in stays.
  while IFS= read -r d; do echo "RMDir \"\$INSTDIR\\$(nsis_path "$d")\""; done < "$gen/dirs"
} > "$gen/unfiles.nsh"

# The licence page shows the file as it is: Windows' edit control wants CR LF.
sed 's/$/\r/' LICENSE > "$gen/LICENSE.txt"

IFS=. read -r v1 v2 v3 v4 <<<"$version"
size_kb=$(du -sk --apparent-size "$stage" | cut -f1)
start=$(date +%s)
makensis -V2 -INPUTCHARSET UTF8 \
  -DVERSION="$version" -DVERSION4="${v1:-0}.${v2:-0}.${v3:-0}.${v4:-0}" \
  -DICON="$PWD/assets/icon/movarin.ico" -DSIZE_KB="$size_kb" \
  -DFILES="$gen/files.nsh" -DUNFILES="$gen/unfiles.nsh" -DLICENSE="$gen/LICENSE.txt" \
  -DOUTFILE="$out" \
  "$here/movarin.nsi"
echo "installer: $out ($(stat -c %s "$out") bytes, made in $(($(date +%s) - start)) s)"
