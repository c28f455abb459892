#!/usr/bin/env python3
"""Compares another build's korvale-capture run with the Linux build's, as the Windows and browser checks do:
the mixed sound (sound.wav) and the state dump (state.jsonl) must be identical, and each named frame
(frame-NNNNN.png), downscaled to 160 x 120 grey, must differ by at most LIMIT levels on average and correlate by
at least 0.9. The same scene drawn twice differs by a few levels at most; frames 300 and 6500, both mostly dark,
differ by under 10 but do not correlate at all. Prints a line for each check, prefixed with LABEL; exits 1 if any
fails. Needs ffmpeg.

usage: compare-runs.py LABEL LINUX_FOLDER OTHER_FOLDER STATE_FOLDER FRAMES LIMIT
  (OTHER_FOLDER holds the sound and the frames, STATE_FOLDER the state dump; FRAMES as 300,5450,6500)"""
import array
import filecmp
import importlib.util
import pathlib
import subprocess
import sys

_spec = importlib.util.spec_from_file_location("frame_correlation",
                                               pathlib.Path(__file__).with_name("frame-correlation.py"))
frame_correlation = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(frame_correlation)


def grey(path):
    """The picture at 160 x 120 in grey levels, through ffmpeg; None when it cannot be read."""
    run = subprocess.run(["ffmpeg", "-hide_banner", "-loglevel", "error", "-i", str(path), "-vf",
                          "scale=160:120,format=gray", "-f", "rawvideo", "-"], capture_output=True)
    return array.array("B", run.stdout) if run.returncode == 0 and len(run.stdout) == 160 * 120 else None


def first_difference(a, b):
    for number, (x, y) in enumerate(zip(a.read_text().splitlines(), b.read_text().splitlines()), 1):
        if x != y:
            at = next((i for i, (c, d) in enumerate(zip(x, y)) if c != d), min(len(x), len(y)))
            start = max(0, at - 60)
            return f"line {number}, column {at + 1}:\n  ...{x[start:at + 60]}\n  ...{y[start:at + 60]}"
    return "one dump is longer"


def main():
    if len(sys.argv) != 7:
        sys.exit(__doc__)
    label, linux, other, state = sys.argv[1], *map(pathlib.Path, sys.argv[2:5])
    frames, limit = [int(f) for f in sys.argv[5].split(",")], float(sys.argv[6])
    failed = False

    # The music and the explosions, mixed by the same code from the same data: the same samples.
    a, b = linux / "sound.wav", other / "sound.wav"
    if b.exists() and filecmp.cmp(a, b, shallow=False):
        print(f"{label}: sound over the run identical ({b.stat().st_size // 1024} KiB)")
    else:
        print(f"{label}: FAIL: the mixed sound differs or is missing ({b})")
        failed = True

    a, b = linux / "state.jsonl", state / "state.jsonl"
    if b.exists() and filecmp.cmp(a, b, shallow=False):
        print(f"{label}: state over {len(b.read_text().splitlines())} frames identical")
    else:
        print(f"{label}: FAIL: state dumps differ, first at "
              f"{first_difference(a, b) if b.exists() else 'the start: ' + str(b) + ' is missing'}")
        failed = True

    for frame in frames:
        name = f"frame-{frame:05d}.png"
        x, y = grey(linux / name), grey(other / name)
        if x is None or y is None:
            print(f"{label}: FAIL: frame {frame}: {name} unreadable or missing")
            failed = True
            continue
        correlation, difference, _ = frame_correlation.compare(x, y)
        alike = difference <= limit and correlation >= 0.9
        print(f"{label}: frame {frame}: mean difference {difference:.2f} of 255 (limit {limit:g}), "
              f"correlation {correlation:.3f} (at least 0.9): {'alike' if alike else 'FAIL: differ'}")
        failed |= not alike
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
