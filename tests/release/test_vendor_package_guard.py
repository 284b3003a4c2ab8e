"""The build's guard on the vendor's installer package, on a scratch copy of
the source tree whose shipped digest (driver/build_constants.cpp, the one
place it is written) is set to that of a small fixture package.

Lean: configures without tests, and builds only the step that checks the
package and puts it into the bundle, not the program. The Mac configuration
(cmake/mac/toolchain.cmake) is only configured.

Environment: ASSISTANT_SOURCE, ASSISTANT_TEST_OUTPUT.
"""

import hashlib
import os
import re
import shutil
import subprocess
import unittest

import source_tree

SOURCE = os.environ["ASSISTANT_SOURCE"]
FIXTURE = b"a fixture standing in for the vendor's installer package\n"
WRONG = b"some other package\n"
FIXTURE_DIGEST = hashlib.sha256(FIXTURE).hexdigest()
WRONG_DIGEST = hashlib.sha256(WRONG).hexdigest()


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


class VendorPackageGuard(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = os.path.join(os.environ["ASSISTANT_TEST_OUTPUT"], "vendor-package-guard")
        shutil.rmtree(cls.scratch, ignore_errors=True)
        cls.tree = os.path.join(cls.scratch, "tree")
        source_tree.copy_source_tree(SOURCE, cls.tree)
        constants = os.path.join(cls.tree, "driver", "build_constants.cpp")
        with open(constants) as f:
            text, count = re.subn(r'(expectedInstallerSHA256 =\s*)"[0-9a-f]{64}"', r'\1"%s"' % FIXTURE_DIGEST,
                                  f.read())
        if count != 1:
            raise AssertionError("the shipped digest is no longer written as one quoted literal")
        with open(constants, "w") as f:
            f.write(text)
        # A name with a space, and not the bundle's name for it.
        cls.package = os.path.join(cls.scratch, "vendor files", "WCH driver.pkg")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def configure(self, build, *options, mac=False):
        args = ["cmake", "-S", self.tree, "-B", os.path.join(self.scratch, build), "-DASSISTANT_TESTS=OFF", *options]
        if mac:
            args.append("-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(self.tree, "cmake", "mac", "toolchain.cmake"))
        # CMake's compiler probes for the two-architecture Mac target leave
        # folders in the temporary folder: one inside the scratch folder.
        temporary = os.path.join(self.scratch, "tmp")
        os.makedirs(temporary, exist_ok=True)
        return subprocess.run(args, capture_output=True, text=True, timeout=120,
                              env=dict(os.environ, TMPDIR=temporary))

    def build_package_step(self, build):
        return subprocess.run(["cmake", "--build", os.path.join(self.scratch, build), "--target",
                               "DriverAssistant_package"], capture_output=True, text=True, timeout=120)

    def assertRefused(self, run, path, *digests):
        output = run.stdout + run.stderr
        self.assertNotEqual(run.returncode, 0, output)
        # CMake wraps long lines of its messages.
        flat = " ".join(output.split())
        self.assertIn(" ".join(path.split()), flat)
        for digest in digests:
            self.assertIn(digest, flat)

    def test_a_wrong_package_in_resources_fails_the_configure(self):
        in_resources = os.path.join(self.tree, "resources", "CH34xVCPDriver.pkg")
        write(in_resources, WRONG)
        try:
            for mac in (False, True):
                with self.subTest(mac=mac):
                    run = self.configure("resources-mac" if mac else "resources", mac=mac)
                    self.assertRefused(run, in_resources, FIXTURE_DIGEST, WRONG_DIGEST)
        finally:
            os.remove(in_resources)

    def test_the_named_package_is_checked_on_every_build(self):
        write(self.package, FIXTURE)
        run = self.configure("named", "-DASSISTANT_VENDOR_PACKAGE=" + self.package,
                             "-DASSISTANT_REQUIRE_VENDOR_PACKAGE=ON")
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        run = self.build_package_step("named")
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        bundled = os.path.join(self.scratch, "named", "DriverAssistant.app", "Resources", "CH34xVCPDriver.pkg")
        with open(bundled, "rb") as f:
            self.assertEqual(f.read(), FIXTURE)

        # Replaced after the configure: the next build refuses it and the
        # bundle keeps no package.
        write(self.package, WRONG)
        run = self.build_package_step("named")
        self.assertRefused(run, self.package, FIXTURE_DIGEST, WRONG_DIGEST)
        self.assertFalse(os.path.exists(bundled))

        # Gone: a release requires it.
        os.remove(self.package)
        run = self.build_package_step("named")
        self.assertRefused(run, self.package, "ASSISTANT_REQUIRE_VENDOR_PACKAGE")

    def test_the_mac_bundle_takes_the_named_package_under_its_own_name(self):
        write(self.package, FIXTURE)
        run = self.configure("named-mac", "-DASSISTANT_VENDOR_PACKAGE=" + self.package, mac=True)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        with open(os.path.join(self.scratch, "named-mac", "app", "CMakeFiles", "DriverAssistant.dir",
                               "build.make")) as f:
            rule = re.search(r"^app/DriverAssistant\.app/Contents/Resources/CH34xVCPDriver\.pkg: (.+)$", f.read(), re.M)
        self.assertIsNotNone(rule)
        # The copy the bundle takes, relative to the build folder.
        with open(os.path.join(self.scratch, "named-mac", rule.group(1).replace("\\ ", " ")), "rb") as f:
            self.assertEqual(f.read(), FIXTURE)

    def test_a_required_package_that_is_missing_fails_the_configure(self):
        missing = os.path.join(self.scratch, "nowhere", "CH34xVCPDriver.pkg")
        for mac in (False, True):
            with self.subTest(mac=mac):
                run = self.configure("required-mac" if mac else "required", "-DASSISTANT_VENDOR_PACKAGE=" + missing,
                                     "-DASSISTANT_REQUIRE_VENDOR_PACKAGE=ON", mac=mac)
                self.assertRefused(run, missing, "ASSISTANT_REQUIRE_VENDOR_PACKAGE")


if __name__ == "__main__":
    unittest.main()
