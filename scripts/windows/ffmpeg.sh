#!/usr/bin/env bash
# Cross-builds the FFmpeg the Windows build bundles (lib\encoder\ffmpeg.exe) from
# Debian 12's own ffmpeg source, the version of the Linux ffmpeg package, with
# Debian's patches (apt-get source applies them): one static ffmpeg.exe with
# every native decoder, demuxer, parser and filter, because users' files are
# anything; only the encoders and muxers Movarin's command lines use, libmp3lame
# from Debian's lame source, zimg (the zscale filter the front tone-maps HDR
# with) and dav1d (FFmpeg 5.1's own AV1 decoder needs hardware) from Debian's
# zimg and dav1d sources, zlib from Debian's libz-mingw-w64; no network, no
# capture devices, no protocol but files and pipes. Into the cache beside Qt,
# with the licence texts and a note naming the sources. Skips when the cache
# holds a build of this recipe from that version; prints the wall time of a
# build and of each of its parts.
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
recipe=2
version=$(dpkg-query -W -f='${Version}' ffmpeg)
want="ffmpeg $version; recipe $recipe"
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
bash "$here/deb-src.sh"
work="$cache/ffmpeg-mingw-build"
rm -rf "$work" "$dest"
mkdir -p "$work/deps"
cd "$work"
apt-get source -qq "ffmpeg=$version" lame zimg dav1d 2>&1 | grep -v -e '^dpkg-source: info' -e 'unsandboxed as root' || true
srcdir() { find "$work" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -1; }
ffsrc=$(srcdir ffmpeg) lamesrc=$(srcdir lame) zimgsrc=$(srcdir zimg) dav1dsrc=$(srcdir dav1d)
[ -n "$ffsrc" ] && [ -n "$lamesrc" ] && [ -n "$zimgsrc" ] && [ -n "$dav1dsrc" ] \
  || { echo "ffmpeg.sh: apt-get source gave no ffmpeg $version, lame, zimg or dav1d" >&2; exit 1; }
srcver() { dpkg-parsechangelog -l "$1/debian/changelog" -S Version; }
lamever=$(srcver "$lamesrc") zimgver=$(srcver "$zimgsrc") dav1dver=$(srcver "$dav1dsrc")
took "sources fetched"

# Only the libraries built here, never the machine's own .pc files.
export PKG_CONFIG_LIBDIR="$work/deps/lib/pkgconfig" PKG_CONFIG_PATH=
host=x86_64-w64-mingw32
# Debian's patches change lame's Makefile.am and configure.in; Debian's build
# regenerates the build files, so this one does too.
(
  cd "$lamesrc"
  autoreconf -fi >/dev/null 2>&1
  ./configure -q --host=$host --prefix="$work/deps" --enable-static --disable-shared \
    --disable-frontend --disable-decoder --disable-gtktest CFLAGS="-O2" >/dev/null 2>&1 \
    || { tail -20 config.log >&2; exit 1; }
  # Its own warnings are of no use here; a failed build still stops the script.
  make -s -j2 >/dev/null 2>&1 || make -s
  make -s install >/dev/null
)
took "lame built"

# zimg is C++: its zimg.pc names libstdc++ for the static link of ffmpeg.exe.
(
  cd "$zimgsrc"
  autoreconf -fi >/dev/null 2>&1
  ./configure -q --host=$host --prefix="$work/deps" --enable-static --disable-shared \
    CFLAGS="-O2" CXXFLAGS="-O2" >/dev/null 2>&1 || { tail -20 config.log >&2; exit 1; }
  make -s -j2 >/dev/null 2>&1 || make -s
  make -s install >/dev/null
)
took "zimg built"

# dav1d with its assembly (nasm); on Windows it brings its own thread layer.
cat > "$work/mingw.cross" <<CROSS
[binaries]
c = '$host-gcc'
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
(
  cd "$dav1dsrc"
  meson setup build --cross-file "$work/mingw.cross" --prefix="$work/deps" --libdir=lib \
    --buildtype=release --default-library=static \
    -Denable_tools=false -Denable_tests=false -Denable_examples=false >/dev/null \
    || { tail -20 build/meson-logs/meson-log.txt >&2; exit 1; }
  ninja -C build -j2 >/dev/null
  meson install -C build --quiet >/dev/null
)
took "dav1d built"

# --disable-autodetect keeps the build from picking up whatever the machine
# holds (hardware decoders, Media Foundation): only what is named here.
(
  cd "$ffsrc"
  ./configure --target-os=mingw32 --arch=x86_64 --cross-prefix=$host- \
    --pkg-config=pkg-config --pkg-config-flags=--static \
    --extra-version="${version##*-}" \
    --enable-static --disable-shared --extra-ldflags="-static -L$work/deps/lib" \
    --extra-cflags="-I$work/deps/include" \
    --disable-autodetect --enable-w32threads --enable-zlib --enable-libmp3lame \
    --enable-libzimg --enable-libdav1d \
    --disable-network --disable-devices --disable-protocols --enable-protocol=file,pipe \
    --disable-encoders --enable-encoder=mpeg4,aac,mjpeg,libmp3lame \
    --disable-muxers --enable-muxer=mp4,mp3,image2,mjpeg \
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
zlibver=$(dpkg-query -W -f='${source:Package} ${source:Version}' libz-mingw-w64-dev)
crlf /dev/stdin "$lic/FFmpeg-sources.txt" <<NOTE
lib\\encoder\\ffmpeg.exe is FFmpeg built with mingw-w64 from these Debian 12 source
packages, Debian's patches applied:

  ffmpeg $version   FFmpeg, GNU LGPL 2.1 or later (LGPL-2.1.txt, ffmpeg-copyright.txt)
  lame $lamever         libmp3lame, GNU LGPL 2 or later (LGPL-2.txt, lame-copyright.txt)
  zimg $zimgver     zimg, WTFPL 2 (zimg-copyright.txt)
  dav1d $dav1dver  dav1d, BSD 2-clause (dav1d-copyright.txt)
  $zlibver        zlib, zlib licence (zlib-copyright.txt)

The sources are those versions as Debian publishes them (apt-get source, or
https://snapshot.debian.org/); Movarin's scripts/windows/ffmpeg.sh is the recipe.
FFmpeg.txt holds the program's own version, configuration and licence statement.
NOTE
rm -rf "$work"
end=$(date +%s)
echo "$want" > "$stamp"
echo "Windows FFmpeg: $version built in $((end - start)) s into $dest"
