"""Decodes a file of bytes as CPython does with "replace".

Usage: utf8_reference.py INPUT
Writes INPUT decoded (every ill-formed sequence replaced by U+FFFD) and
encoded back as UTF-8 to standard output.
"""

import sys


def main(source):
    with open(source, "rb") as f:
        data = f.read()
    sys.stdout.buffer.write(data.decode("utf-8", "replace").encode("utf-8"))


if __name__ == "__main__":
    main(sys.argv[1])
