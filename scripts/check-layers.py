#!/usr/bin/env python3
"""Fails when a file of the demo includes a folder above its own. The folders, bottom to top:
platform, core, resources, effects, sequence, app; tools/ and tests/ sit beside and may include any. The harness
(platform/harness/) is for the tests and korvale-capture only: nothing the shipped program builds includes it."""
import pathlib
import re
import sys

ORDER = ["platform", "core", "resources", "effects", "sequence", "app"]
root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
include = re.compile(r'^\s*#\s*include\s+"([a-z_0-9]+)/')
bad = []
for rank, folder in enumerate(ORDER):
    for path in sorted((root / folder).rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            m = include.match(line)
            if m and m.group(1) in ORDER and ORDER.index(m.group(1)) > rank:
                bad.append(f"{path.relative_to(root)}:{number}: {folder}/ includes {m.group(1)}/, a folder above it")
harness = re.compile(r'^\s*#\s*include\s+"platform/harness/')
for path in sorted(root.rglob("*")):
    rel = path.relative_to(root)
    if path.suffix not in (".h", ".cpp") or rel.parts[0] not in ORDER or rel.parts[:2] == ("platform", "harness"):
        continue
    for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
        if harness.match(line):
            bad.append(f"{rel}:{number}: includes the harness, which the shipped program does not link")
for line in bad:
    print(line)
if bad:
    sys.exit(1)
print("layers: " + " -> ".join(ORDER) + ", every include runs down; the harness stays out of the program")
