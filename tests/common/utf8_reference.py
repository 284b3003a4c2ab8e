"""Decodes a file of bytes as CPython does with "replace".

Usage: utf8_reference.py INPUT OUTPUT
Writes INPUT decoded (every ill-formed sequence replaced by U+FFFD) and
encoded back as UTF-8 to OUTPUT.
"""

import sys


def main(source, target):
    with open(source, "rb") as f:
        data = f.read()
    with open(target, "wb") as f:
        f.write(data.decode("utf-8", "replace").encode("utf-8"))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
