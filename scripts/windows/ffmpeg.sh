#!/usr/bin/env bash
# Cross-builds the FFmpeg the Windows build bundles (lib\encoder\ffmpeg.exe) from
# Debian 12's own ffmpeg source, the version of the Linux ffmpeg package, with
# Debian's patches (apt-get source applies them): one static ffmpeg.exe with
# every native decoder, demuxer, parser and filter, because users' files are
# anything; only the encoders and muxers Movarin's command lines use, libmp3lame
# from Debian's lame source, zimg (the zscale filter the front tone-maps HDR
# with) and dav1d (FFmpeg 5.1's own AV1 decoder needs hardware) from Debian's
# zimg and dav1d sources, libass (the subtitles filter burns text subtitles with
# it) with FreeType, FriBidi and HarfBuzz from theirs, zlib from Debian's
# libz-mingw-w64; no network, no capture devices, no protocol but files and
# pipes. Beside it, for the encoder front, a static libdvdread from Debian's
# source (dvdread/). Into the cache beside Qt, with the licence texts and a
# note naming the sources. Skips when the cache holds a build of this recipe
# from those versions; prints the wall time of a build and of each of its parts.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cache="${MOVARIN_WINDOWS_CACHE:-/var/cache/movarin}"
dest="$cache/ffmpeg-mingw"
stamp="$dest/.movarin-complete"

source "$here/env.sh"
need=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev nasm make dpkg-dev autoconf automake libtool
      meson ninja-build pkgconf ffmpeg)
install_missing "${need[@]}"

# The Windows FFmpeg follows the Linux one: a Debian update of ffmpeg builds it
# again, and so does a new recipe number (raise it when the build below changes).
recipe=4
version=$(dpkg-query -W -f='${Version}' ffmpeg)
libs=(lame zimg dav1d freetype fribidi harfbuzz libass libdvdread)
bash "$here/deb-src.sh"
# A Debian update of a library (a security fix) builds it again as well.
libvers=$(apt-get source --print-uris -qq "${libs[@]}" | awk '$2 ~ /\.dsc$/ { sub(/\.dsc$/, "", $2); printf " %s", $2 }')
want="ffmpeg $version; recipe $recipe;$libvers"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
  echo "Windows FFmpeg: cached in $dest ($version)"
  exit 0
fi
# One build at a time: a second caller waits for the first and then finds the cache.
if [ -z "${MOVARIN_FFMPEG_LOCKED:-}" ]; then
  $SUDO mkdir -p "$cache"
  $SUDO chown "$(id -u):$(id -g)" "$cache"
  exec env MOVARIN_FFMPEG_LOCKED=1 flock "$cache/.ffmpeg-build.lock" bash "$0" "$@"
fi

start=$(date +%s)
lap=$start cpulap=0
# Wall and processor time of each part, for what a cold build costs the CI
# (on a busy machine the processor time tells more).
cpu() { awk -v hz="$(getconf CLK_TCK)" '{ printf "%d", ($16 + $17) / hz }' "/proc/$$/stat"; }
took() {
  local now c; now=$(date +%s) c=$(cpu)
  echo "Windows FFmpeg: $1 in $((now - lap)) s ($((c - cpulap)) s of processor time)"
  lap=$now cpulap=$c
}
work="$cache/ffmpeg-mingw-build"
rm -rf "$work" "$dest"
mkdir -p "$work/deps"
cd "$work"
quiet_source() { grep -v -e '^dpkg-source: info' -e 'unsandboxed as root' -e '^W: Download is performed' || true; }
fetch() { apt-get source -qq "$1" 2>&1 | quiet_source; }
srcdir() { find "$work" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -1; }
# A mirror may hold a security update's debian/ folder but not its .dsc and
# upstream tarball, which the update shares with the release. The tree is then
# made as dpkg-source makes it: the release's tarball, checked against the
# update's own checksum, the update's folder and its patches in series order.
from_release() { # package
  local pkg=$1 listing orig sum update debtar up rel dir
  listing=$(apt-get source --print-uris -qq "$pkg")
  orig=$(awk '$2 ~ /\.orig\.tar\.[a-z0-9]+$/ { print $2 }' <<<"$listing")
  sum=$(awk -v f="$orig" '$2 == f { sub(/^SHA256:/, "", $4); print $4 }' <<<"$listing")
  update=$(awk '$2 ~ /\.dsc$/ { sub(/\.dsc$/, "", $2); sub(/^[^_]*_/, "", $2); print $2 }' <<<"$listing")
  debtar=$(find . -maxdepth 1 -name "${pkg}_$update.debian.tar.*" | head -1)
  [ -n "$orig" ] && [ -n "$debtar" ] || return 1
  up=${orig#"${pkg}_"} up=${up%.orig.tar.*}
  rel=$(apt-cache showsrc "$pkg" | awk -v up="$up" -v update="$update" '/^Version:/ {
    v = $2; sub(/^[0-9]+:/, "", v); if (index(v, up "-") == 1 && v != update) print $2 }' | head -1)
  [ -n "$rel" ] || return 1
  rm -f "$orig"
  apt-get source -qq --download-only "$pkg=$rel" 2>&1 | quiet_source
  echo "$sum  $orig" | sha256sum -c --quiet - || return 1
  echo "Windows FFmpeg: $pkg $update made from the tarball of $rel and the update's patches"
  dir="$work/$pkg-$up"
  mkdir "$dir"
  tar -xf "$orig" -C "$dir" --strip-components=1
  tar -xf "$debtar" -C "$dir"
  if [ -f "$dir/debian/patches/series" ]; then
    sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$dir/debian/patches/series" | while read -r patch _; do
      patch -s -p1 -d "$dir" < "$dir/debian/patches/$patch"
    done
  fi
}
fetch "ffmpeg=$version" || { echo "ffmpeg.sh: apt-get source gave no ffmpeg $version" >&2; exit 1; }
for lib in "${libs[@]}"; do
  fetch "$lib" || from_release "$lib" || { echo "ffmpeg.sh: apt-get source gave no $lib" >&2; exit 1; }
done
ffsrc=$(srcdir ffmpeg) lamesrc=$(srcdir lame) zimgsrc=$(srcdir zimg) dav1dsrc=$(srcdir dav1d)
ftsrc=$(srcdir freetype) fribidisrc=$(srcdir fribidi) hbsrc=$(srcdir harfbuzz)
asssrc=$(srcdir libass) dvdreadsrc=$(srcdir libdvdread)
srcver() { dpkg-parsechangelog -l "$1/debian/changelog" -S Version; }
lamever=$(srcver "$lamesrc") zimgver=$(srcver "$zimgsrc") dav1dver=$(srcver "$dav1dsrc")
ftver=$(srcver "$ftsrc") fribidiver=$(srcver "$fribidisrc") hbver=$(srcver "$hbsrc")
assver=$(srcver "$asssrc") dvdreadver=$(srcver "$dvdreadsrc")
took "sources fetched"

# Only the libraries built here, never the machine's own .pc files.
export PKG_CONFIG_LIBDIR="$work/deps/lib/pkgconfig" PKG_CONFIG_PATH=
host=x86_64-w64-mingw32
cat > "$work/mingw.cross" <<CROSS
[binaries]
c = '$host-gcc'
cpp = '$host-g++'
ar = '$host-ar'
strip = '$host-strip'
windres = '$host-windres'
pkgconfig = 'pkg-config'
nasm = 'nasm'

[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
CROSS
# Static libraries into deps (or the prefix given last), without their
# programs, tests or documents. Debian's patches may change the autotools
# files, and Debian's build regenerates them, so this one does too. Their own
# warnings are of no use here; a failed build still stops the script.
autotools() { # source folder, configure options
  local src=$1; shift
  (
    cd "$src"
    autoreconf -fi >/dev/null 2>&1
    ./configure -q --host=$host --prefix="$work/deps" --enable-static --disable-shared \
      CFLAGS="-O2" CXXFLAGS="-O2" "$@" >/dev/null 2>&1 || { tail -20 config.log >&2; exit 1; }
    make -s -j2 >/dev/null 2>&1 || make -s
    make -s install >/dev/null
  )
}
meson_static() { # source folder, meson options
  local src=$1; shift
  (
    cd "$src"
    meson setup build --cross-file "$work/mingw.cross" --prefix="$work/deps" --libdir=lib \
      --buildtype=release --default-library=static "$@" >/dev/null \
      || { tail -20 build/meson-logs/meson-log.txt >&2; exit 1; }
    ninja -C build -j2 >/dev/null
    meson install -C build --quiet >/dev/null
  )
}

autotools "$lamesrc" --disable-frontend --disable-decoder --disable-gtktest
took "lame built"
# zimg is C++: its zimg.pc names libstdc++ for the static link of ffmpeg.exe.
autotools "$zimgsrc"
took "zimg built"
# dav1d with its assembly (nasm); on Windows it brings its own thread layer.
meson_static "$dav1dsrc" -Denable_tools=false -Denable_tests=false -Denable_examples=false
took "dav1d built"

# libass and what it needs, no more: FreeType without compressed or PNG fonts,
# HarfBuzz on FreeType alone. Fonts come from the file's attachments and from
# Windows through DirectWrite (libass loads dwrite.dll when it starts); no
# fontconfig, whose cache would be built on a user's first conversion.
meson_static "$ftsrc" -Dbrotli=disabled -Dbzip2=disabled -Dharfbuzz=disabled -Dpng=disabled \
  -Dzlib=disabled -Dtests=disabled
took "freetype built"
meson_static "$fribidisrc" -Ddocs=false
took "fribidi built"
meson_static "$hbsrc" -Dfreetype=enabled -Dglib=disabled -Dgobject=disabled -Dcairo=disabled \
  -Dchafa=disabled -Dicu=disabled -Dgraphite=disabled -Dgraphite2=disabled \
  -Dtests=disabled -Ddocs=disabled -Dintrospection=disabled -Dbenchmark=disabled
took "harfbuzz built"
# Without a system font provider libass would draw nothing: its configure must
# find DirectWrite.
autotools "$asssrc" --disable-fontconfig --enable-directwrite --disable-libunibreak \
  --enable-require-system-font-provider
took "libass built"

# The encoder front reads a DVD's IFO files with libdvdread: the files of a
# disc copied to a folder, so without libdvdcss.
autotools "$dvdreadsrc" --prefix="$dest/dvdread" --disable-apidoc --without-libdvdcss
rm -rf "$dest/dvdread/share" "$dest/dvdread/lib/"*.la
took "libdvdread built"

# --disable-autodetect keeps the build from picking up whatever the machine
# holds (hardware decoders, Media Foundation): only what is named here. Besides
# what Movarin's lines write, the front's own passes: the loudness measures
# write their samples (pcm_f64le) to nothing (null), and the forced-caption
# pass writes a track's captions (dvdsub) as checksums (framecrc).
(
  cd "$ffsrc"
  ./configure --target-os=mingw32 --arch=x86_64 --cross-prefix=$host- \
    --pkg-config=pkg-config --pkg-config-flags=--static \
    --extra-version="${version##*-}" \
    --enable-static --disable-shared --extra-ldflags="-static -L$work/deps/lib" \
    --extra-cflags="-I$work/deps/include" \
    --disable-autodetect --enable-w32threads --enable-zlib --enable-libmp3lame \
    --enable-libzimg --enable-libdav1d --enable-libass \
    --disable-network --disable-devices --disable-protocols --enable-protocol=file,pipe \
    --disable-encoders --enable-encoder=mpeg4,aac,mjpeg,libmp3lame,pcm_f64le,dvdsub \
    --disable-muxers --enable-muxer=mp4,mp3,image2,mjpeg,null,framecrc \
    --disable-doc --disable-debug --disable-ffplay --disable-ffprobe >/dev/null
  make -s -j2 ffmpeg.exe >/dev/null
)
took "ffmpeg built"

mkdir -p "$dest/licenses"
install -m 0755 "$ffsrc/ffmpeg.exe" "$dest/ffmpeg.exe"
# The licences the parts require, with Debian's record of their authors.
lic="$dest/licenses"
crlf() { sed 's/\r$//; s/$/\r/' "$1" > "$2"; }
crlf "$ffsrc/COPYING.LGPLv2.1" "$lic/LGPL-2.1.txt"
crlf "$ffsrc/debian/copyright" "$lic/ffmpeg-copyright.txt"
crlf "$lamesrc/COPYING" "$lic/LGPL-2.txt"
crlf "$lamesrc/debian/copyright" "$lic/lame-copyright.txt"
# Debian's copyright files of zimg and dav1d hold their licence texts in full.
crlf "$zimgsrc/debian/copyright" "$lic/zimg-copyright.txt"
crlf "$dav1dsrc/debian/copyright" "$lic/dav1d-copyright.txt"
crlf /usr/share/doc/libz-mingw-w64-dev/copyright "$lic/zlib-copyright.txt"
# So do FreeType's (its FTL chosen), HarfBuzz's and libass's; FriBidi's is the
# LGPL 2.1 above. libdvdread is the front's: GPL 2 (or 3 for one header).
crlf "$ftsrc/debian/copyright" "$lic/freetype-copyright.txt"
crlf "$fribidisrc/debian/copyright" "$lic/fribidi-copyright.txt"
crlf "$hbsrc/debian/copyright" "$lic/harfbuzz-copyright.txt"
crlf "$asssrc/debian/copyright" "$lic/libass-copyright.txt"
crlf "$dvdreadsrc/debian/copyright" "$lic/libdvdread-copyright.txt"
crlf /usr/share/common-licenses/GPL-2 "$lic/GPL-2.txt"
zlibver=$(dpkg-query -W -f='${source:Package} ${source:Version}' libz-mingw-w64-dev)
crlf /dev/stdin "$lic/FFmpeg-sources.txt" <<NOTE
lib\\encoder\\ffmpeg.exe is FFmpeg built with mingw-w64 from these Debian 12 source
packages, Debian's patches applied:

  ffmpeg $version   FFmpeg, GNU LGPL 2.1 or later (LGPL-2.1.txt, ffmpeg-copyright.txt)
  lame $lamever         libmp3lame, GNU LGPL 2 or later (LGPL-2.txt, lame-copyright.txt)
  zimg $zimgver     zimg, WTFPL 2 (zimg-copyright.txt)
  dav1d $dav1dver  dav1d, BSD 2-clause (dav1d-copyright.txt)
  libass $assver  libass, ISC (libass-copyright.txt)
  freetype $ftver  FreeType, FreeType Licence (freetype-copyright.txt)
  fribidi $fribidiver  GNU FriBidi, GNU LGPL 2.1 or later (LGPL-2.1.txt, fribidi-copyright.txt)
  harfbuzz $hbver  HarfBuzz, MIT (harfbuzz-copyright.txt)
  $zlibver        zlib, zlib licence (zlib-copyright.txt)

Portions of this software are copyright (C) 2022 The FreeType Project
(www.freetype.org). All rights reserved.

lib\\ffmpeg.exe, Movarin's encoder front, reads the IFO files of a DVD with
libdvdread, built the same way:

  libdvdread $dvdreadver  GNU GPL 2 or later; src/dvdread/nav_types.h GPL 2 or 3
                         (GPL-2.txt, GPL-3.txt, libdvdread-copyright.txt)

The sources are those versions as Debian publishes them (apt-get source, or
https://snapshot.debian.org/); Movarin's scripts/windows/ffmpeg.sh is the recipe.
FFmpeg.txt holds the program's own version, configuration and licence statement.
NOTE
rm -rf "$work"
end=$(date +%s)
echo "$want" > "$stamp"
echo "Windows FFmpeg: $version built in $((end - start)) s ($(cpu) s of processor time) into $dest"
