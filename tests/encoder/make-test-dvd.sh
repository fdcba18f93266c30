#!/usr/bin/env bash
# Makes a small DVD folder as a disc carries a foreign film: English AC-3 5.1
# first, a Japanese AC-3 2.0 dub second, Japanese subtitles, the languages
# written only in the title set's IFO (the streams themselves carry none).
#   make-test-dvd.sh <disc folder> [seconds] [subtitle start in seconds] [dub|nodub] [forced caption start]
# The disc gets <disc folder>/VIDEO_TS/VTS_01_1.VOB and its IFOs. A subtitle
# start late in a long title makes a stream FFmpeg's first look misses. A
# forced caption, one second long, is what a player shows with subtitles off.
set -euo pipefail
disc="$1"
seconds="${2:-4}"
subStart="${3:-1}"
dub="${4:-dub}"
forcedStart="${5:-}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The two tracks sound apart (440 Hz and 1 kHz), so a test can hear which one came out.
ffmpeg -nostdin -hide_banner -loglevel error \
  -f lavfi -i "testsrc2=s=720x480:r=30000/1001:d=$seconds" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:d=$seconds" \
  -f lavfi -i "sine=frequency=1000:sample_rate=48000:d=$seconds" \
  -filter_complex "[1:a]pan=5.1|FL=c0|FR=c0|FC=c0|LFE=c0|BL=c0|BR=c0[en];[2:a]pan=stereo|FL=c0|FR=c0$([ "$dub" = dub ] && echo '[ja]' || echo ',anullsink')" \
  -map 0:v -map "[en]" $([ "$dub" = dub ] && echo '-map [ja]') -target ntsc-dvd -aspect 16:9 -c:a ac3 -b:a 192k \
  "$work/title.mpg"

# One caption: a white bar low in the picture, two colours as a subpicture allows.
bar='255*between(X,160,559)*between(Y,400,439)'
ffmpeg -nostdin -hide_banner -loglevel error -f lavfi \
  -i "color=c=black:s=720x480,format=rgba,geq=r='$bar':g='$bar':b='$bar':a='$bar'" \
  -frames:v 1 "$work/caption.png"
subEnd=$((subStart + 2))
cat >"$work/subtitles.xml" <<XML
<subpictures><stream>
  <spu start="$(printf '00:00:%02d.00' "$subStart")" end="$(printf '00:00:%02d.00' "$subEnd")" image="$work/caption.png"/>
$([ -n "$forcedStart" ] && printf '  <spu start="00:00:%02d.00" end="00:00:%02d.00" image="%s" force="yes"/>' \
  "$forcedStart" "$((forcedStart + 1))" "$work/caption.png")
</stream></subpictures>
XML
VIDEO_FORMAT=NTSC spumux -m dvd -s 0 "$work/subtitles.xml" <"$work/title.mpg" >"$work/subtitled.mpg" 2>"$work/spumux.log" \
  || { cat "$work/spumux.log"; exit 1; }

# The disc's palette, as its author chose it: spumux draws the caption in entry 3.
printf '%s\n' 000000 808080 404040 ffffff ff0000 00ff00 0000ff ffff00 \
  00ffff ff00ff 800000 008000 000080 808000 008080 800080 >"$work/palette.rgb"
cat >"$work/dvd.xml" <<XML
<dvdauthor dest="$disc">
  <vmgm/>
  <titleset><titles>
    <video format="ntsc" aspect="16:9" widescreen="nopanscan"/>
    <audio lang="en"/>
$([ "$dub" = dub ] && echo '    <audio lang="ja"/>')
    <subpicture lang="ja"/>
    <pgc palette="$work/palette.rgb"><vob file="$work/subtitled.mpg"/></pgc>
  </titles></titleset>
</dvdauthor>
XML
VIDEO_FORMAT=NTSC dvdauthor -x "$work/dvd.xml" >"$work/dvdauthor.log" 2>&1 || { cat "$work/dvdauthor.log"; exit 1; }
