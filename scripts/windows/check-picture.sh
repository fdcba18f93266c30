#!/usr/bin/env bash
# Holds a picture the Windows front wrote (a video or a thumbnail) against its
# master with the Linux FFmpeg, as the player would show it: the frame size the
# setting names, square pixels, the content (black bars left out) of the
# master's shape within 6 %, and its mean saturation within the given share of
# the master's. Prints one line of figures; exits 1 when a check fails.
#   check-picture.sh output width height master max-saturation-deviation
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: $0 output width height master max-saturation-deviation" >&2; exit 2; }
out=$1 width=$2 height=$3 master=$4 satdev=$5

got=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height,sample_aspect_ratio \
  -of default=nw=1 "$out" | tr '\n' ' ')
field() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p" <<<"$got"; }

# The last crop the detector settles on over every frame, from the first.
content() {
  ffmpeg -nostdin -v info -i "$1" -vf cropdetect=limit=0.1:round=2:skip=0:reset=0 -f null - 2>&1 \
    | sed -n 's/.* crop=\([0-9]*\):\([0-9]*\):\([0-9]*\):\([0-9]*\).*/\1 \2 \3 \4/p' | tail -1
}
# Mean saturation of the picture inside that crop, on limited-range 4:2:0 so
# that a JPEG's full range counts the same as a video's.
saturation() { # file w h x y
  ffmpeg -nostdin -v error -i "$1" \
    -vf "crop=$2:$3:$4:$5,scale=out_range=tv,format=yuv420p,signalstats,metadata=print:key=lavfi.signalstats.SATAVG:file=-" \
    -f null - | awk -F= '/SATAVG/ { sum += $2; n++ } END { if (n) printf "%.3f", sum / n }'
}
read -r cw ch cx cy < <(content "$out") || true
read -r mw mh mx my < <(content "$master") || true
[ -n "${cw:-}" ] && [ -n "${mw:-}" ] || { echo "picture FAILED: ${out##*/}: no content found" >&2; exit 1; }
sat=$(saturation "$out" "$cw" "$ch" "$cx" "$cy")
msat=$(saturation "$master" "$mw" "$mh" "$mx" "$my")

awk -v name="${out##*/}" -v w="$(field width)" -v h="$(field height)" -v sar="$(field sample_aspect_ratio)" \
  -v W="$width" -v H="$height" -v cw="$cw" -v ch="$ch" -v mw="$mw" -v mh="$mh" \
  -v sat="$sat" -v msat="$msat" -v dev="$satdev" 'BEGIN {
    shape = (cw / ch) / (mw / mh); ratio = (msat > 0) ? sat / msat : 0
    bad = ""
    if (w != W || h != H) bad = bad " frame not " W "x" H ";"
    if (sar != "1:1") bad = bad " pixels not square;"
    if (shape < 0.94 || shape > 1.06) bad = bad " content out of shape;"
    if (ratio < 1 - dev || ratio > 1 + dev) bad = bad " saturation out of range;"
    line = sprintf("%s: frame %sx%s, pixel aspect %s, content %dx%d (shape %.3f of the master), saturation %.1f (%.2f of the master)",
      name, w, h, sar, cw, ch, shape, sat, ratio)
    if (bad == "") { print "picture ok: " line; exit 0 }
    print "picture FAILED:" bad " " line > "/dev/stderr"; exit 1
  }'
