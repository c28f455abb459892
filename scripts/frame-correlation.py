#!/usr/bin/env python3
"""Compares the frames two korvale-capture runs wrote (two --out folders, say from two GL drivers): for each
frame-NNNNN.png in both, the correlation of their pixels (all channels as one series), the mean absolute
difference in levels and the peak signal-to-noise ratio (PSNR, in dB; "inf" for identical pictures). Needs ffmpeg to decode the pictures.

usage: frame-correlation.py FOLDER_A FOLDER_B"""
import array
import math
import pathlib
import subprocess
import sys


def pixels(path):
    """The picture's size and its RGB bytes, through ffmpeg."""
    probe = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                            "stream=width,height", "-of", "csv=p=0", str(path)],
                           check=True, capture_output=True, text=True).stdout.strip()
    width, height = (int(v) for v in probe.split(",")[:2])
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", str(path), "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                         check=True, capture_output=True).stdout
    return width, height, array.array("B", raw)


def compare(a, b):
    n = len(a)
    mean_a, mean_b = sum(a) / n, sum(b) / n
    ab = aa = bb = difference = squares = 0.0
    for x, y in zip(a, b):
        dx, dy = x - mean_a, y - mean_b
        ab += dx * dy
        aa += dx * dx
        bb += dy * dy
        difference += abs(x - y)
        squares += (x - y) * (x - y)
    correlation = ab / math.sqrt(aa * bb) if aa > 0 and bb > 0 else float("nan")
    psnr = 10 * math.log10(255 * 255 / (squares / n)) if squares > 0 else float("inf")
    return correlation, difference / n, psnr


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    first, second = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    names = sorted(p.name for p in first.glob("frame-*.png") if (second / p.name).exists())
    if not names:
        sys.exit("no frame-NNNNN.png in both folders")
    for name in names:
        wa, ha, a = pixels(first / name)
        wb, hb, b = pixels(second / name)
        if (wa, ha) != (wb, hb):
            print(f"{name}: sizes differ, {wa}x{ha} and {wb}x{hb}")
            continue
        correlation, difference, psnr = compare(a, b)
        print(f"{name} {wa}x{ha}: correlation {correlation:.4f}, mean absolute difference {difference:.2f} levels, "
              f"PSNR {psnr:.1f} dB")


if __name__ == "__main__":
    main()
