#!/usr/bin/env python3
"""Finds each explosion of a live run in a recording of what the demo sent to the speakers (the music stopped)
and compares where it falls with where the timeline puts it.

usage: bang-times.py STATE.jsonl RECORDING.raw DATA_DIR [--from FRAME] [--to FRAME] [--limit-ms MS]
                     [--rate HZ]

STATE.jsonl is korvale-capture's state of the same demo: the frames that start each sound. RECORDING.raw is
signed 16-bit stereo. With the music stopped an explosion is mixed sample for sample from the start of its file,
so at 44100 Hz its first samples stand verbatim in the recording: they are searched for, one explosion after the
other. At another rate (a browser resampling) each explosion is found where the sound first rises out of the
silence before it, near where it is expected. The times are measured from the first explosion's, so the sound
device's latency drops out. Exits 1 when an explosion is missing or further than the limit from its place.
"""
import argparse
import json
import sys
import wave

RATE = 44100
FRAME_SECONDS = 1 / 60
TEMPLATE_FRAMES = 64


def template(path):
    """The first TEMPLATE_FRAMES sample frames of a sound from its first non-zero sample, as the mixer writes
    them (mono doubled to stereo), and how far into the file they start."""
    with wave.open(path, 'rb') as sound:
        if sound.getsampwidth() != 2 or sound.getframerate() != RATE:
            sys.exit(f'{path}: not 16-bit at {RATE} Hz')
        channels = sound.getnchannels()
        data = sound.readframes(sound.getnframes())
    step = 2 * channels
    first = next(i for i in range(0, len(data), step) if data[i:i + step] != bytes(step)) // step
    frames = data[first * step:(first + TEMPLATE_FRAMES) * step]
    if channels == 1:
        frames = b''.join(frames[i:i + 2] * 2 for i in range(0, len(frames), 2))
    return frames, first


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('state')
    parser.add_argument('recording')
    parser.add_argument('data')
    parser.add_argument('--from', dest='first', type=int, default=5025)
    parser.add_argument('--to', dest='last', type=int, default=8521)
    parser.add_argument('--limit-ms', type=float, default=50.0)
    parser.add_argument('--rate', type=int, default=RATE)
    args = parser.parse_args()

    bangs = []
    with open(args.state) as state:
        for line in state:
            record = json.loads(line)
            if args.first <= record['frame'] <= args.last:
                bangs += [(record['frame'], sound) for sound in record['sounds']]
    if not bangs:
        sys.exit(f'no sound between frames {args.first} and {args.last} in {args.state}')
    with open(args.recording, 'rb') as f:
        recording = f.read()
    print(f'{len(recording) / 4 / args.rate:.2f} s recorded at {args.rate} Hz, peak {peak(recording)} of 32767')
    found = verbatim(bangs, recording, args.data) if args.rate == RATE else rises(bangs, recording, args.rate)
    if found is None:
        return 1
    return report(found, args.limit_ms)


def verbatim(bangs, recording, data):
    found = []
    at = 0
    for frame, sound in bangs:
        pattern, offset = template(f'{data}/{sound.split("/")[-1]}')
        position = recording.find(pattern, at)
        while position >= 0 and position % 4:
            position = recording.find(pattern, position + 1)
        if position < 0:
            print(f'frame {frame}: {sound} not found after {at / 4 / RATE:.3f} s')
            return None
        found.append((frame, sound, position / 4 / RATE - offset / RATE))
        at = position + len(pattern)
    return found


def rises(bangs, recording, rate):
    """Each explosion where the left channel first rises out of 20 ms of near silence to a threshold, searched
    from 0.3 s before where the spacing of the frames expects it."""
    left = memoryview(recording[:len(recording) // 4 * 4]).cast('h')[::2]
    threshold = 0.02 * 32768
    quiet = int(0.02 * rate)
    found = []
    for frame, sound in bangs:
        start = 0
        if found:
            start = int((found[0][2] + (frame - found[0][0]) * FRAME_SECONDS - 0.3) * rate)
        position = None
        run = 0
        confirm = int(0.005 * rate)
        for i in range(max(start, 0), len(left)):
            v = abs(left[i])
            # The start of a rise out of silence that reaches the threshold within 5 ms.
            if v >= threshold / 4 and run >= quiet and max(map(abs, left[i:i + confirm])) > threshold:
                position = i
                break
            run = run + 1 if v < threshold / 4 else 0
        if position is None:
            print(f'frame {frame}: {sound} not found after {start / rate:.3f} s')
            return None
        found.append((frame, sound, position / rate))
    return found


def report(found, limit_ms):
    first_frame, _, first_time = found[0]
    worst = 0.0
    print('frame  sound                 due (s)   heard (s)  off (ms)')
    for frame, sound, time in found:
        due = (frame - first_frame) * FRAME_SECONDS
        heard = time - first_time
        off = (heard - due) * 1000
        worst = max(worst, abs(off))
        print(f'{frame:5d}  {sound:20s} {due:9.3f} {heard:10.3f} {off:9.1f}')
    print(f'{len(found)} explosions found, the furthest {worst:.1f} ms from its place (limit {limit_ms:g} ms)')
    return 0 if worst <= limit_ms else 1


def peak(data):
    samples = memoryview(data[:len(data) // 2 * 2]).cast('h')
    return max(max(samples, default=0), -min(samples, default=0))


if __name__ == '__main__':
    sys.exit(main())
