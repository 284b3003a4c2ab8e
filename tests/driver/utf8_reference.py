"""Decodes groups of byte strings as CPython does with "replace".

Usage: utf8_reference.py INPUT OUTPUT
INPUT is a series of groups, each a 4-byte big-endian count, a 1-byte length
and count strings of that length. OUTPUT gets, per group, one length byte per
string followed by the strings decoded and encoded back as UTF-8.
"""

import sys


def main(source, target):
    data = open(source, "rb").read()
    out = []
    at = 0
    while at < len(data):
        count = int.from_bytes(data[at:at + 4], "big")
        length = data[at + 4]
        at += 5
        decoded = [data[i:i + length].decode("utf-8", "replace").encode("utf-8")
                   for i in range(at, at + count * length, length)]
        at += count * length
        out.append(bytes(len(d) for d in decoded))
        out.append(b"".join(decoded))
    open(target, "wb").write(b"".join(out))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
