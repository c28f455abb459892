#!/usr/bin/env python3
"""Checks a korvale-capture --state file of a long run against the timeline's rules: one record per call, the
credits held at their last frame, and once the nova has settled, every counter stepping as the rules give it."""
import json
import math
import struct
import sys

PI = 3.1415  # the demo's own pi (core/constants.h)


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def fail(frame, message):
    sys.exit(f"soak: call {frame}: {message}")


def main():
    path, calls = sys.argv[1], int(sys.argv[2])
    prev = None
    settled = False
    draws_per_burst = None
    count = 0
    with open(path) as records:
        for line in records:
            r = json.loads(line)
            k = r["frame"]
            if k != count:
                fail(k, f"expected call {count}")
            count += 1
            if r["demoFrame"] != min(k + 1, 8500):
                fail(k, f"demoFrame {r['demoFrame']}")
            if k >= 4999 and r["spinAngle"] != (k + 1 - 5000) % 360:
                fail(k, f"spinAngle {r['spinAngle']}")
            if k >= 4999 and r["planetFrame"] != min(k + 1 - 5000, 1011):
                fail(k, f"planetFrame {r['planetFrame']}")
            if not settled and prev and r["demoFrame"] == 8500 and r["switchCooldown"] == 0 and not r["sceneSwitch"]:
                settled = True
            elif settled:
                check_step(prev, r)
                if r["burstFrame"] == 0:
                    delta = r["draws"] - prev["draws"]
                    if draws_per_burst is None:
                        draws_per_burst = delta
                    if delta != draws_per_burst or delta == 0:
                        fail(k, f"{delta} values drawn for a new burst, {draws_per_burst} before")
                elif r["draws"] != prev["draws"] or r["rand"] != prev["rand"]:
                    fail(k, "values drawn outside a new burst")
            prev = r
    if count != calls:
        sys.exit(f"soak: {count} records, expected {calls}")
    if not settled:
        sys.exit("soak: the nova never settled")
    print(f"soak: {count} calls follow the timeline's rules")


def check_step(p, r):
    k = r["frame"]
    for field in ("planetFrame", "sceneSwitch", "switchCooldown", "lastBangRays", "flashFrame", "wheelFrame",
                  "musicNoticeFrame", "musicState"):
        if r[field] != p[field]:
            fail(k, f"{field} changed from {p[field]} to {r[field]}")
    phase = f32(f32(p["phaseAngle"]) + 0.1)
    if phase > 360.0:
        phase = 0.0
    if f32(r["phaseAngle"]) != phase:
        fail(k, f"phaseAngle {r['phaseAngle']}, expected {phase}")
    yaw = f32(f32(p["planetYaw"]) + f32(0.05 * math.cos(2.0 * r["spinAngle"] * PI / 360.0)))
    if f32(r["planetYaw"]) != yaw:
        fail(k, f"planetYaw {r['planetYaw']}, expected {yaw}")
    fade, radius = p["ringFade"] - 1, f32(f32(p["ringRadius"]) + 0.025)
    if fade < 5:
        fade, radius = 255, f32(0.1)
    if r["ringFade"] != fade or f32(r["ringRadius"]) != radius:
        fail(k, f"ring {r['ringFade']} {r['ringRadius']}, expected {fade} {radius}")
    burst = 0 if p["burstFrame"] + 1 > 250 else p["burstFrame"] + 1
    if r["burstFrame"] != burst:
        fail(k, f"burstFrame {r['burstFrame']}, expected {burst}")
    sounds = ["data/bang.wav"] if burst == 0 else []
    if r["sounds"] != sounds:
        fail(k, f"sounds {r['sounds']}, expected {sounds}")


if __name__ == "__main__":
    main()
