#!/usr/bin/python3
"""Cuts the fuzz seeds from the generated data: short WAVs (the first samples of bangshrt1.wav, in the formats
the converter handles) and Korvale.ttf reduced to a few glyphs. Usage: make-seeds.py BUILD_DIR (needs fontTools)."""
import os
import struct
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

here = os.path.dirname(os.path.abspath(__file__))


def chunks(data):
    pos = 12
    while pos + 8 <= len(data):
        cid, n = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        yield cid, data[pos + 8:pos + 8 + n]
        pos += 8 + n + (n & 1)


def write_wav(path, channels, rate, bits, frames):
    body = struct.pack("<%dh" % len(frames), *frames) if bits == 16 else bytes(((s >> 8) + 128) & 255 for s in frames)
    align = channels * bits // 8
    fmt = b"fmt " + struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * align, align, bits)
    data = b"data" + struct.pack("<I", len(body)) + body
    with open(path, "wb") as out:
        out.write(b"RIFF" + struct.pack("<I", 4 + len(fmt) + len(data)) + b"WAVE" + fmt + data)


def main():
    source = dict(chunks(open(os.path.join(sys.argv[1], "data", "bangshrt1.wav"), "rb").read()))
    channels = struct.unpack("<H", source[b"fmt "][2:4])[0]
    mono = struct.unpack("<%dh" % (len(source[b"data"]) // 2), source[b"data"])[::channels][:600]
    out = os.path.join(here, "corpus-wav")
    write_wav(os.path.join(out, "mono16-44100.wav"), 1, 44100, 16, mono)
    write_wav(os.path.join(out, "stereo16-44100.wav"), 2, 44100, 16, [s for m in mono[:300] for s in (m, m)])
    write_wav(os.path.join(out, "mono8-22050.wav"), 1, 22050, 8, mono[:400:2])
    write_wav(os.path.join(out, "stereo16-11025.wav"), 2, 11025, 16, [s for m in mono[:400:4] for s in (m, -m)])
    for text, name in (("KRV", "krv"), ("A0o", "a0o")):
        font = TTFont(os.path.join(here, "..", "..", "Korvale.ttf"))
        options = subset.Options()
        options.drop_tables += ["DSIG", "GPOS", "GSUB", "GDEF"]
        options.name_IDs = [1, 2]
        options.hinting = False
        cutter = subset.Subsetter(options)
        cutter.populate(text=text)
        cutter.subset(font)
        font.save(os.path.join(here, "corpus-font", "korvale-%s.ttf" % name))


if __name__ == "__main__":
    main()
