#!/usr/bin/env python3
"""Finds each explosion of a live run in a recording of what the demo sent to the speakers (the music stopped)
and compares where it falls with where the timeline puts it.

usage: bang-times.py STATE.jsonl RECORDING.raw DATA_DIR [--from FRAME] [--to FRAME] [--limit-ms MS]
                     [--rate HZ]

STATE.jsonl is korvale-capture's state of the same demo: the frames that start each sound. RECORDING.raw is
signed 16-bit stereo. With the music stopped an explosion is mixed sample for sample from its file, so at
44100 Hz its samples stand verbatim in the recording: they are searched for, one explosion after the other,
near where the spacing of the frames expects it. An explosion whose frame ran later than its place was already
mixed joins partway in (faded in over a few samples): it is found by samples further into its file, and how
far in it joined is reported. At another rate (a browser resampling) each explosion is found where the sound
first rises out of the silence before it. The times are measured from the first explosion's, so the sound
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
    """A sound as the mixer writes it (mono doubled to stereo), from its first non-zero sample, and how far
    into the file that is, in sample frames."""
    with wave.open(path, 'rb') as sound:
        if sound.getsampwidth() != 2 or sound.getframerate() != RATE:
            sys.exit(f'{path}: not 16-bit at {RATE} Hz')
        channels = sound.getnchannels()
        data = sound.readframes(sound.getnframes())
    step = 2 * channels
    first = next(i for i in range(0, len(data), step) if data[i:i + step] != bytes(step)) // step
    frames = data[first * step:]
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


# How far into a sound the pieces searched for start, every 20 ms, in seconds: the first that stands in the
# recording near where it is expected tells where the sound's place was.
JOIN_STEP = 0.02
WINDOW = 0.3


def verbatim(bangs, recording, data):
    found = []
    sounds = {}
    for frame, sound in bangs:
        name = sound.split('/')[-1]
        if name not in sounds:
            sounds[name] = template(f'{data}/{name}')
        samples, offset = sounds[name]
        # Where its first non-zero sample may be: anywhere for the first, then near where the frames put it.
        start, end = 0, len(recording)
        if found:
            expected = found[0][2] + (frame - found[0][0]) * FRAME_SECONDS + offset / RATE
            start, end = max(int((expected - WINDOW) * RATE) * 4, 0), int((expected + WINDOW) * RATE) * 4
        hit = None
        for join in (k * JOIN_STEP for k in range(len(samples) // 4 // int(JOIN_STEP * RATE) + 1)):
            skip = int(join * RATE) * 4
            piece = samples[skip:skip + TEMPLATE_FRAMES * 4]
            if len(piece) < TEMPLATE_FRAMES * 4:
                break
            position = recording.find(piece, start + skip, end + skip + len(piece))
            while position >= 0 and position % 4:
                position = recording.find(piece, position + 1, end + skip + len(piece))
            if position >= 0:
                hit = (position - skip, join)
                break
        if hit is None:
            print(f'frame {frame}: {sound} not found from {start / 4 / RATE:.3f} s')
            return None
        found.append((frame, sound, hit[0] / 4 / RATE - offset / RATE, hit[1]))
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
        found.append((frame, sound, position / rate, None))
    return found


def report(found, limit_ms):
    first_frame, _, first_time, _ = found[0]
    worst = 0.0
    joined = []
    print('frame  sound                 due (s)   heard (s)  off (ms)  joined')
    for frame, sound, time, join in found:
        due = (frame - first_frame) * FRAME_SECONDS
        heard = time - first_time
        off = (heard - due) * 1000
        worst = max(worst, abs(off))
        late = f'  {join * 1000:.0f} ms in' if join else ''
        if join:
            joined.append(frame)
        print(f'{frame:5d}  {sound:20s} {due:9.3f} {heard:10.3f} {off:9.1f}{late}')
    print(f'{len(found)} explosions found, the furthest {worst:.1f} ms from its place (limit {limit_ms:g} ms)')
    if joined:
        print(f'{len(joined)} joined partway in, their frames late: {", ".join(map(str, joined))}')
    return 0 if worst <= limit_ms else 1


def peak(data):
    samples = memoryview(data[:len(data) // 2 * 2]).cast('h')
    return max(max(samples, default=0), -min(samples, default=0))


if __name__ == '__main__':
    sys.exit(main())
