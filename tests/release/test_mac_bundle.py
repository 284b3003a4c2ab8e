"""The Mac bundle as the Mac configuration describes it: the generated
Info.plist files read with plistlib, the icon among the app's resources, and
the committed .icns file well-formed, with GNUstep's PNG one of its images.

The Mac configuration is the one scripts/check-mac uses
(cmake/mac/toolchain.cmake); only configured here, in the build's test
output, which takes a second.

Environment: ASSISTANT_SOURCE, ASSISTANT_TEST_OUTPUT.
"""

import os
import plistlib
import re
import shutil
import struct
import subprocess
import unittest

SOURCE = os.environ["ASSISTANT_SOURCE"]
ICON = os.path.join(SOURCE, "app", "icon", "DriverAssistant.icns")
GNUSTEP_ICON = os.path.join(SOURCE, "app", "icon", "DriverAssistant.png")
PNG_MAGIC = b"\x89PNG\r\n\x1a\n"


def icns_images(data):
    """{entry type: (width, height)} of an .icns file's PNG images; fails on
    a malformed container."""
    return {kind: struct.unpack(">II", png[16:24]) for kind, png in icns_pngs(data).items()}


def icns_pngs(data):
    """{entry type: PNG file} of an .icns file's PNG images; fails on a
    malformed container."""
    if data[:4] != b"icns":
        raise AssertionError("no 'icns' magic")
    (total,) = struct.unpack(">I", data[4:8])
    if total != len(data):
        raise AssertionError(f"the header says {total} bytes, the file has {len(data)}")
    images, offset = {}, 8
    while offset < total:
        kind, length = data[offset:offset + 4], struct.unpack(">I", data[offset + 4:offset + 8])[0]
        if length < 8 or offset + length > total:
            raise AssertionError(f"entry {kind!r} at {offset} has length {length}")
        body = data[offset + 8:offset + length]
        if body.startswith(PNG_MAGIC) and body[12:16] == b"IHDR":
            images[kind.decode()] = body
        offset += length
    return images


class MacBundle(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.build = os.path.join(os.environ["ASSISTANT_TEST_OUTPUT"], "mac-bundle")
        shutil.rmtree(cls.build, ignore_errors=True)
        # CMake's compiler probes for the two-architecture target leave
        # folders in the temporary folder: one inside the build folder.
        temporary = os.path.join(cls.build, "tmp")
        os.makedirs(temporary)
        run = subprocess.run(["cmake", "-S", SOURCE, "-B", cls.build,
                              "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(SOURCE, "cmake", "mac", "toolchain.cmake")],
                             capture_output=True, text=True, timeout=120, env=dict(os.environ, TMPDIR=temporary))
        if run.returncode != 0:
            raise AssertionError("the Mac configuration failed:\n" + run.stdout + run.stderr)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.build, ignore_errors=True)

    def info(self, variant):
        with open(os.path.join(self.build, "app", variant + ".app", "Contents", "Info.plist"), "rb") as f:
            return plistlib.load(f)

    def test_info_plist_keys(self):
        shipped = self.info("DriverAssistant")
        expected = {
            "CFBundleDisplayName": "ORVENTA Driver Assistant",
            "CFBundleExecutable": "DriverAssistant",
            "CFBundleIconFile": "DriverAssistant.icns",
            "CFBundleIdentifier": "com.orventa.DriverAssistant",
            "CFBundlePackageType": "APPL",
            "LSApplicationCategoryType": "public.app-category.utilities",
            "LSMinimumSystemVersion": "11.0",
            "NSPrincipalClass": "NSApplication",
        }
        self.assertEqual({key: shipped.get(key) for key in expected}, expected)
        self.assertRegex(shipped.get("NSHumanReadableCopyright", ""), r"^Copyright \u00a9 \d{4} ORVENTA")
        self.assertRegex(shipped.get("CFBundleShortVersionString", ""), r"^\d+\.\d+")
        test = self.info("DriverAssistantTest")
        self.assertEqual(test["CFBundleIdentifier"], "com.orventa.DriverAssistant.test")
        self.assertEqual(test["CFBundleIconFile"], "DriverAssistant.icns")

    def test_icon_is_among_the_resources(self):
        for variant in ("DriverAssistant", "DriverAssistantTest"):
            with open(os.path.join(self.build, "app", "CMakeFiles", variant + ".dir", "build.make")) as f:
                rules = f.read()
            # The rule that copies the file into the bundle's resources.
            rule = re.search(r"^app/%s\.app/Contents/Resources/DriverAssistant\.icns: (\S+)$" % variant, rules, re.M)
            self.assertIsNotNone(rule, variant)
            self.assertEqual(os.path.realpath(rule.group(1)), os.path.realpath(ICON), variant)

    def test_icns_is_well_formed(self):
        with open(ICON, "rb") as f:
            images = icns_images(f.read())
        sizes = {width for width, height in images.values() if width == height}
        self.assertLessEqual({16, 32, 128, 256, 512, 1024}, sizes, images)
        self.assertEqual(images.get("ic09"), (512, 512))
        self.assertEqual(images.get("ic10"), (1024, 1024))

    def test_gnustep_icon_is_the_icns_image_of_its_size(self):
        # Both come from one run of make_icns.py: a drawing changed and made
        # into only one of them shows here.
        with open(ICON, "rb") as f:
            pngs = icns_pngs(f.read())
        with open(GNUSTEP_ICON, "rb") as f:
            png = f.read()
        self.assertTrue(png.startswith(PNG_MAGIC))
        self.assertTrue(png in pngs.values(), "DriverAssistant.png is none of the .icns's images: run make_icns.py")

    def test_icns_reader_refuses_broken_files(self):
        with open(ICON, "rb") as f:
            good = f.read()
        for name, data in [("wrong magic", b"icnx" + good[4:]), ("truncated", good[:-1]),
                           ("entry overruns", good[:12] + struct.pack(">I", len(good)) + good[16:])]:
            with self.subTest(name), self.assertRaises(AssertionError):
                icns_images(data)


if __name__ == "__main__":
    unittest.main()
