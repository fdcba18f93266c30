#!/usr/bin/env python3
"""Makes a recording as Japanese digital TV carries a bilingual programme:
one AAC stream of two single channel elements under a stereo header, the
main programme (440 Hz) first and the second (1 kHz) after it, in MPEG-TS
with a picture. FFmpeg's encoder writes no such stream, so two mono
encodings are spliced, frame by frame, into one.
  make-dual-mono.py <out.ts> [seconds]"""
import os
import subprocess
import sys
import tempfile


def ffmpeg(*args):
    subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", *args], check=True)


def frames(data):
    """(header, raw data block) of each ADTS frame."""
    at = 0
    while at + 7 <= len(data):
        header = 7 if data[at + 1] & 1 else 9
        length = ((data[at + 3] & 3) << 11) | (data[at + 4] << 3) | (data[at + 5] >> 5)
        yield data[at:at + 7], data[at + header:at + length]
        at += length


def element(raw):
    """The bits of a block's single channel element: fill elements before it
    and the end element after it (the last 111 before the padding) left out."""
    bits = "".join(f"{byte:08b}" for byte in raw).rstrip("0")
    assert bits.endswith("111"), "no end element"
    bits = bits[:-3]
    while bits.startswith("110"):  # ID_FIL: count, an escape when 15, then the bytes
        count, used = int(bits[3:7], 2), 7
        if count == 15:
            count, used = 14 + int(bits[7:15], 2), 15
        bits = bits[used + 8 * count:]
    assert bits.startswith("0000000"), "not a single channel element with tag 0"
    return bits


def splice(main, second):
    out = bytearray()
    for (header, a), (_, b) in zip(frames(main), frames(second)):
        b = element(b)
        bits = element(a) + b[:3] + "0001" + b[7:] + "111"  # the second element's tag 1, then ID_END
        bits += "0" * (-len(bits) % 8)
        block = bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
        h = bytearray(header)
        size = 7 + len(block)
        h[1] |= 1  # no CRC
        h[2] &= 0xFE
        h[3] = (h[3] & 0x3C) | 0x80 | (size >> 11 & 3)  # channel configuration 2, as broadcasts signal it
        h[4] = size >> 3 & 0xFF
        h[5] = (size & 7) << 5 | (h[5] & 0x1F)
        out += h + block
    return bytes(out)


def main():
    out, seconds = sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else "3"
    with tempfile.TemporaryDirectory() as work:
        tones = []
        for frequency in (440, 1000):
            tone = os.path.join(work, f"{frequency}.aac")
            ffmpeg("-f", "lavfi", "-i", f"sine=frequency={frequency}:sample_rate=48000:duration={seconds}",
                   "-c:a", "aac", "-b:a", "96k", "-f", "adts", tone)
            tones.append(open(tone, "rb").read())
        both = os.path.join(work, "dual.aac")
        open(both, "wb").write(splice(*tones))
        ffmpeg("-f", "lavfi", "-i", f"testsrc2=size=320x240:rate=30000/1001:duration={seconds}", "-i", both,
               "-map", "0:v", "-map", "1:a", "-c:v", "mpeg2video", "-c:a", "copy", "-metadata:s:a:0", "language=jpn",
               "-f", "mpegts", out)


if __name__ == "__main__":
    main()
