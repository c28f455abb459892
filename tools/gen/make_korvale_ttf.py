#!/usr/bin/python3
# Derives Korvale.ttf (family "Korvale", printable ASCII only) from Noto Sans Black in Debian's fonts-noto-extra
# (needs python3-fonttools; run with /usr/bin/python3) and writes the licence file beside it, at the repository root.
import os
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

SOURCE = "/usr/share/fonts/truetype/noto/NotoSans-Black.ttf"
COPYRIGHT_FILE = "/usr/share/doc/fonts-noto-extra/copyright"
FAMILY = "Korvale"


def ofl_text():
    # The OFL text is the last stanza of the Debian copyright file, indented by one blank, "." for empty lines.
    lines = open(COPYRIGHT_FILE, encoding="utf-8").read().split("\n")
    start = max(i for i, line in enumerate(lines) if line.startswith("License: OFL-1.1"))
    body = []
    for line in lines[start + 1:]:
        if not line.startswith(" "):
            break
        body.append("" if line.strip() == "." else line[1:])
    return "\n".join(body).rstrip() + "\n"


def main():
    root = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
    font = TTFont(SOURCE, recalcTimestamp=False)

    options = subset.Options()
    options.layout_features = ["kern"]
    options.name_IDs = ["*"]
    options.notdef_outline = True
    options.glyph_names = False
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=range(32, 127))
    subsetter.subset(font)

    name = font["name"]
    copyright_notice = name.getDebugName(0)
    version = name.getDebugName(5)
    licence = name.getDebugName(13)
    licence_url = name.getDebugName(14)
    name.names = []
    new_names = {
        0: copyright_notice + " Modified: cut down to ASCII and renamed " + FAMILY + ".",
        1: FAMILY,
        2: "Regular",
        3: FAMILY + ";" + version.split(";")[0],
        4: FAMILY,
        5: version,
        6: FAMILY,
        13: licence,
        14: licence_url,
    }
    for name_id, text in new_names.items():
        if text:
            name.setName(text, name_id, 3, 1, 0x409)
            name.setName(text, name_id, 1, 0, 0)
    font["OS/2"].usWeightClass = 900

    out = os.path.join(root, "Korvale.ttf")
    font.save(out)
    with open(os.path.join(root, "Korvale-LICENSE.txt"), "w", encoding="utf-8") as f:
        f.write("Korvale.ttf is derived from Noto Sans Black (Debian package fonts-noto-extra) by\n"
                "tools/gen/make_korvale_ttf.py: cut down to the printable ASCII characters and renamed.\n\n")
        f.write(copyright_notice + "\n\n")
        f.write(ofl_text())
    print("wrote", out)


if __name__ == "__main__":
    sys.exit(main())
