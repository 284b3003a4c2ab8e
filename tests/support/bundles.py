"""The program variants as tests get them, copies of their bundles, and the
private copy of the package that the program hands to the tools.

ASSISTANT_APP is the shipped variant (harness.app_path()); ASSISTANT_TEST_APP
the test-only variant, whose expected digest is that of the fixture package
ASSISTANT_TEST_PACKAGE, which its bundle carries.
"""

import hashlib
import os
import re
import shutil
import tempfile

import harness

PACKAGE_RESOURCE = "CH34xVCPDriver.pkg"


def test_program():
    """The test-only variant inside its bundle."""
    path = os.environ["ASSISTANT_TEST_APP"]
    if not os.path.exists(path):
        raise AssertionError("the build has no test variant at " + path)
    return path


class BundleCopy:
    """A copy of a program's bundle in a folder whose name has a space and a
    non-ASCII letter, so its package path shows how tools get it. `change`
    may alter the copy's package (a function of the package's path).
    `parent` is the folder it goes in. Removed on exit."""

    def __init__(self, program, change=None, parent=None):
        self.program = program
        self.change = change
        self.parent = parent
        self.folder = None

    def __enter__(self):
        # By default in the build's test output, so a skip, which ends the
        # test at once, leaves nothing behind elsewhere; `parent` for a copy
        # that another user must reach.
        self.folder = tempfile.mkdtemp(prefix="bundle-", dir=self.parent or harness.output_dir("bundles"))
        bundle = os.path.dirname(self.program)
        copy = os.path.join(self.folder, "Driver Assistant \u00e9", os.path.basename(bundle))
        shutil.copytree(bundle, copy, symlinks=True)
        self.executable = os.path.join(copy, os.path.basename(self.program))
        self.package = os.path.join(copy, "Resources", PACKAGE_RESOURCE)
        if self.change:
            self.change(self.package)
        return self

    def __exit__(self, *exc):
        shutil.rmtree(self.folder, ignore_errors=True)
        return False


_TABLE_ENTRY = re.compile(r'^"((?:[^"\\]|\\.)*)" = "((?:[^"\\]|\\.)*)";$', re.M)


def text_table(program, language):
    """The text table of `language` ("de", "zh-Hans") in the bundle of
    `program`, as a dict of key to text with its escapes resolved: what the
    program shows in that language, read where the program reads it."""
    path = os.path.join(os.path.dirname(program), "Resources", language + ".lproj", "Localizable.strings")
    with open(path, encoding="utf-8-sig") as f:
        text = re.sub(r"/\*.*?\*/", "", f.read(), flags=re.S)
    unescape = {"n": "\n", '"': '"', "\\": "\\"}
    return {key: re.sub(r"\\(.)", lambda m: unescape[m.group(1)], value)
            for key, value in _TABLE_ENTRY.findall(text)}


def shipped_languages(program):
    """The languages whose tables the bundle of `program` carries, by folder
    (links that GNUstep alone needs left out)."""
    resources = os.path.join(os.path.dirname(program), "Resources")
    return sorted(name[:-len(".lproj")] for name in os.listdir(resources)
                  if name.endswith(".lproj") and not os.path.islink(os.path.join(resources, name)))


def file_digest(path):
    """The SHA-256 of a file, as lowercase hexadecimal."""
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def fixture_digest():
    """The SHA-256 of the test variant's fixture package: its pinned digest."""
    return file_digest(os.environ["ASSISTANT_TEST_PACKAGE"])


def change_first_byte(path):
    """Alters a package by one byte (or gives an empty one a byte)."""
    with open(path, "r+b") as f:
        first = f.read(1)
        f.seek(0)
        f.write(bytes([(first[0] if first else 0) ^ 1]))


class PrivateCopy:
    """Stands for the package's private copy in an expected call list: equal
    to any path TMPDIR/com.orventa.DriverAssistant.XXXXXX/CH34xVCPDriver.pkg,
    and once it has matched one, only to that one, so every tool of a run
    must get the same copy. Use a new one for each run."""

    PATTERN = re.compile(r".+/com\.orventa\.DriverAssistant\.[A-Za-z0-9]{6}/CH34xVCPDriver\.pkg")

    def __init__(self):
        self.path = None

    def __eq__(self, other):
        if not isinstance(other, str):
            return NotImplemented
        if self.path is None and self.PATTERN.fullmatch(other):
            self.path = other
        return other == self.path

    def __ne__(self, other):
        equal = self.__eq__(other)
        return equal if equal is NotImplemented else not equal

    __hash__ = None

    def __repr__(self):
        return repr(self.path) if self.path else "<a private copy of the package>"
