"""The program's text tables (<lang>.lproj/Localizable.strings) as the
Python tests read them: a UTF-8 byte-order mark, then /* comments */ and
lines `"key" = "value";` with the escapes \\" \\\\ \\n."""

import os
import re

_ENTRY = re.compile(r'"((?:[^"\\\n]|\\.)*)" = "((?:[^"\\\n]|\\.)*)";\n')
_BLANKS_AND_COMMENTS = re.compile(r"(?:[ \t\n]+|/\*.*?\*/)*", re.S)
_ESCAPE = re.compile(r"\\(.)")


def _unescaped(text):
    return _ESCAPE.sub(lambda m: "\n" if m.group(1) == "n" else m.group(1), text)


def read_table(path):
    """Every entry of the table at `path`, key to value, escapes resolved.
    Raises ValueError where the file is not of that form."""
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(b"\xef\xbb\xbf"):
        raise ValueError("%s: no UTF-8 byte-order mark" % path)
    text = data[3:].decode("utf-8")
    entries = {}
    i = _BLANKS_AND_COMMENTS.match(text).end()
    while i < len(text):
        entry = _ENTRY.match(text, i)
        if entry is None:
            raise ValueError("%s: no entry at %r" % (path, text[i:i + 60]))
        entries[_unescaped(entry.group(1))] = _unescaped(entry.group(2))
        i = _BLANKS_AND_COMMENTS.match(text, entry.end()).end()
    return entries


def bundle_table(program, language):
    """The table of `language` ("ko", "zh-Hans") that the bundle of
    `program` carries (GNUstep's layout: Resources/ beside the program)."""
    return read_table(os.path.join(os.path.dirname(program), "Resources", language + ".lproj",
                                   "Localizable.strings"))
