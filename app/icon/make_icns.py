#!/usr/bin/env python3
"""Renders the application icon (DriverAssistant.mvg) with ImageMagick and
writes it as an Apple icon file (DriverAssistant.icns) and, for GNUstep,
which reads no .icns, as one PNG image (DriverAssistant.png, the .icns's
128-pixel image), all in this folder.

    python3 app/icon/make_icns.py

The icon files are committed, so a build never needs ImageMagick: run this
after changing the drawing, and commit all three files.

An .icns file is the magic 'icns', its total length (4 bytes, big-endian),
then one entry per image: a 4-byte type, the entry's length including this
8-byte header, and the image as PNG.
"""

import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, "DriverAssistant.mvg")
TARGET = os.path.join(HERE, "DriverAssistant.icns")
GNUSTEP_TARGET = os.path.join(HERE, "DriverAssistant.png")
# GNUstep shows the icon at 64 pixels and less; twice that keeps it sharp.
GNUSTEP_SIZE = 128

# The entry types macOS reads, with the pixel size of each image: 16 to 512
# points at one and two pixels per point.
ENTRIES = [
    (b"icp4", 16), (b"ic11", 32), (b"icp5", 32), (b"ic12", 64),
    (b"ic07", 128), (b"ic13", 256), (b"ic08", 256), (b"ic14", 512),
    (b"ic09", 512), (b"ic10", 1024),
]


def render(folder, size):
    """The drawing as a PNG of size x size pixels, with a transparent background."""
    path = os.path.join(folder, f"{size}.png")
    # Drawn at full size once and scaled down, so thin lines stay smooth.
    full = os.path.join(folder, "1024.png")
    if not os.path.exists(full):
        subprocess.run(["convert", "-background", "none", "-size", "1024x1024", "mvg:" + SOURCE,
                        "-strip", "PNG32:" + full], check=True)
    if size != 1024:
        subprocess.run(["convert", full, "-filter", "Lanczos", "-resize", f"{size}x{size}",
                        "-strip", "PNG32:" + path], check=True)
    with open(path, "rb") as f:
        return f.read()


def main():
    with tempfile.TemporaryDirectory() as folder:
        body = b""
        for kind, size in ENTRIES:
            png = render(folder, size)
            body += kind + struct.pack(">I", 8 + len(png)) + png
        gnustep_png = render(folder, GNUSTEP_SIZE)
    with open(TARGET, "wb") as f:
        f.write(b"icns" + struct.pack(">I", 8 + len(body)) + body)
    with open(GNUSTEP_TARGET, "wb") as f:
        f.write(gnustep_png)


if __name__ == "__main__":
    main()
