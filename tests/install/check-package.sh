#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks its files, their
# modes, the program link, the Depends line and, when lintian is installed,
# that Debian's own checker finds nothing to say about it.
# Usage: check-package.sh <build-dir> <version> <app-id>
set -euo pipefail
build=$1 version=$2 appid=$3
arch=$(dpkg --print-architecture)
deb="$build/package/movarin_${version}_${arch}.deb"
rm -f "$deb"
(cd "$build" && cpack -G DEB >/dev/null)
[ -f "$deb" ] || { echo "no package at $deb"; exit 1; }

fail=0
problem() { echo "FAULT: $*"; fail=1; }

# Every file and link, with its mode and owner: exactly these, nothing more.
expected=$(sort <<LIST
lrwxrwxrwx root/root ./usr/bin/movarin -> ../lib/movarin/movarin
-rwxr-xr-x root/root ./usr/lib/movarin/lib/ffmpeg
-rwxr-xr-x root/root ./usr/lib/movarin/movarin
-rw-r--r-- root/root ./usr/share/applications/movarin.desktop
-rw-r--r-- root/root ./usr/share/doc/movarin/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/movarin/copyright
-rw-r--r-- root/root ./usr/share/icons/hicolor/16x16/apps/movarin.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/256x256/apps/movarin.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/32x32/apps/movarin.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/48x48/apps/movarin.png
-rw-r--r-- root/root ./usr/share/lintian/overrides/movarin
-rw-r--r-- root/root ./usr/share/man/ja/man1/movarin.1.gz
-rw-r--r-- root/root ./usr/share/man/man1/movarin.1.gz
-rw-r--r-- root/root ./usr/share/metainfo/${appid}.metainfo.xml
LIST
)
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { $3=""; $4=""; $5=""; print }' \
         | sed -E 's/ +/ /g' | sort)
if [ "$actual" != "$expected" ]; then
  problem "package content differs"
  diff <(echo "$expected") <(echo "$actual") || true
fi
# No directory the package makes may be writable by others.
if dpkg-deb -c "$deb" | awk '$1 ~ /^d/ && $1 != "drwxr-xr-x"' | grep .; then
  problem "directory with unusual mode"
fi

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for need in 'ffmpeg' 'qt6-qpa-plugins' 'qt6-translations-l10n' \
            'fonts-ipafont-gothic | fonts-noto-cjk' 'libqt6widgets6' 'libqt6dbus6' 'libpng16-16' 'libseccomp2' 'libc6'; do
  # Each entry is a whole item of the comma-separated list, version aside.
  if ! tr ',' '\n' <<<"$depends" | sed -E 's/^ +//; s/ \(.*\)$//' | grep -qxF -- "$need"; then
    problem "Depends lacks '$need'"
  fi
done
[ "$(dpkg-deb -f "$deb" Package)" = movarin ] || problem "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || problem "version"

# The unpacked tree: the link leads to the program, the front sits beside it,
# and the packaged menu entry is still valid.
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
[ "$(readlink -f "$tree/usr/bin/movarin")" = "$tree/usr/lib/movarin/movarin" ] || problem "bin/movarin link"
[ -x "$tree/usr/lib/movarin/lib/ffmpeg" ] || problem "front not executable"
desktop-file-validate "$tree/usr/share/applications/movarin.desktop" || problem "desktop entry"
grep -qx 'Icon=movarin' "$tree/usr/share/applications/movarin.desktop" || problem "icon name"
# The changelog's newest entry names the version being packaged.
newest=$(zcat "$tree/usr/share/doc/movarin/changelog.gz" | sed -n '1s/^movarin (\([^)]*\)).*/\1/p')
[ "$newest" = "$version" ] || problem "changelog's newest entry is '$newest', not $version"
# Errors and warnings fail; every override carries its reason in the file.
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb" || problem "lintian"
else
  echo "lintian is not installed: the package was not checked with it"
fi
exit $fail
