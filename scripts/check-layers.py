#!/usr/bin/env python3
"""Fails when a file of the demo includes a folder above its own. The folders, bottom to top:
platform, core, resources, effects, sequence, app; tools/ and tests/ sit beside and may include any. Inside
platform/ the rooms run the same way, bottom to top: media, seam, host, gles, presentation, windows, web, entry,
harness. The harness (platform/harness/) is for the tests and korvale-capture only: nothing the shipped program
builds includes it. In platform/ a header and its .cpp count as one file, and no files include each other round
in a circle."""
import pathlib
import re
import sys

ORDER = ["platform", "core", "resources", "effects", "sequence", "app"]
ROOMS = ["media", "seam", "host", "gles", "presentation", "windows", "web", "entry", "harness"]
root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
include = re.compile(r'^\s*#\s*include\s+"([a-z_0-9]+)/')
quoted = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
bad = []


def sources(folder):
    return [p for p in sorted((root / folder).rglob("*")) if p.suffix in (".h", ".cpp")]


def includes(path):
    for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
        m = quoted.match(line)
        if m:
            yield number, m.group(1)


for rank, folder in enumerate(ORDER):
    for path in sources(folder):
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            m = include.match(line)
            if m and m.group(1) in ORDER and ORDER.index(m.group(1)) > rank:
                bad.append(f"{path.relative_to(root)}:{number}: {folder}/ includes {m.group(1)}/, a folder above it")

platform = root / "platform"
for path in sources("platform"):
    room = path.relative_to(platform).parts[0]
    if room not in ROOMS:
        bad.append(f"{path.relative_to(root)}: platform/{room}/ is no room of the platform's")
        continue
    for number, name in includes(path):
        parts = name.split("/")
        if parts[0] == "platform" and len(parts) > 2 and parts[1] in ROOMS and ROOMS.index(parts[1]) > ROOMS.index(room):
            bad.append(f"{path.relative_to(root)}:{number}: platform/{room}/ includes platform/{parts[1]}/, a room above it")

harness = re.compile(r'^\s*#\s*include\s+"platform/harness/')
for path in sorted(root.rglob("*")):
    rel = path.relative_to(root)
    if path.suffix not in (".h", ".cpp") or rel.parts[0] not in ORDER or rel.parts[:2] == ("platform", "harness"):
        continue
    for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
        if harness.match(line):
            bad.append(f"{rel}:{number}: includes the harness, which the shipped program does not link")

# Files: a.h and a.cpp are one unit; a unit including another's header depends on it.
edges = {}
for folder in ["platform"]:
    for path in sources(folder):
        unit = path.relative_to(root).with_suffix("").as_posix()
        for _, name in includes(path):
            other = pathlib.PurePosixPath(name).with_suffix("").as_posix()
            if other != unit and (root / name).exists():
                edges.setdefault(unit, set()).add(other)
state = {}


def visit(unit, trail):
    state[unit] = 1
    for other in sorted(edges.get(unit, ())):
        if state.get(other) == 1:
            circle = trail[trail.index(other):] + [other]
            bad.append("circle: " + " -> ".join(circle))
        elif other not in state:
            visit(other, trail + [other])
    state[unit] = 2


for unit in sorted(edges):
    if unit not in state:
        visit(unit, [unit])
for line in bad:
    print(line)
if bad:
    sys.exit(1)
print("layers: " + " -> ".join(ORDER) + ", every include runs down; in platform/, " + " -> ".join(ROOMS) +
      "; no platform files in a circle; the harness stays out of the program")
