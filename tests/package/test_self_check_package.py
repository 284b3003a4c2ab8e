"""`--self-check` of the built program on the package step: the shipped
variant without a package, and the test-only variant with its fixture package
as it is and changed, on a simulated Mac whose pkgutil and spctl are
stand-ins. Each bundle runs from a copy in a folder whose name has a space and
a non-ASCII letter, so the path the tools get is checked on the way."""

import os
import unittest

import harness
from bundles import BundleCopy, PrivateCopy, change_first_byte, fixture_digest, test_program
from sandbox import Machine, Reply

SIGNER = "Developer ID Installer: Nanjing Qinheng Microelectronics Co., Ltd. (5JZGQTGU4W)"
PRODUCTION_DIGEST = "67583115ea31c2909d26fc67182e4f30d653701129a4a68856bc3cce0d4915a3"
PASSING_TOOLS = {
    "pkgutil --check-signature": Reply(
        ("Package \"CH34xVCPDriver.pkg\":\n   Status: signed by a developer certificate issued by Apple\n"
         "   Certificate Chain:\n    1. " + SIGNER + "\n       Expires: 2027-01-01 00:00:00 +0000\n").encode()),
    "spctl": Reply(b"", stderr=b"CH34xVCPDriver.pkg: accepted\nsource=Notarized Developer ID\n"),
}


class SelfCheckPackage(unittest.TestCase):
    def self_check(self, program, replies):
        """Exit status, standard output, standard error and the tool calls."""
        with Machine(replies) as machine:
            result = machine.run([program, "--self-check"], env=harness.plain_environment())
            return result.returncode, result.stdout, result.stderr, machine.calls()

    def test_shipped_variant_without_package(self):
        with BundleCopy(harness.app_path()) as bundle:
            # A developer's build may hold the vendor's file; this case is the
            # build without it.
            if os.path.exists(bundle.package):
                os.unlink(bundle.package)
            self.assertEqual(self.self_check(bundle.executable, PASSING_TOOLS),
                             (1, b"", b"The embedded WCH driver package is missing.\n", []))

    def test_test_variant_with_sound_fixture(self):
        # The tools check the program's private copy of the package.
        copy = PrivateCopy()
        with BundleCopy(test_program()) as bundle:
            self.assertEqual(self.self_check(bundle.executable, PASSING_TOOLS), (0, b"", b"", [
                ["/usr/sbin/pkgutil", "--check-signature", copy],
                ["/usr/sbin/spctl", "-a", "-t", "install", copy],
            ]))

    def test_test_variant_with_changed_fixture(self):
        with BundleCopy(test_program()) as bundle:
            change_first_byte(bundle.package)
            self.assertEqual(self.self_check(bundle.executable, PASSING_TOOLS),
                             (1, b"", b"The embedded WCH package failed its SHA-256 check.\n", []))

    def test_each_variant_carries_its_own_digest(self):
        fixture = fixture_digest()
        with open(harness.app_path(), "rb") as f:
            shipped = f.read()
        with open(test_program(), "rb") as f:
            test_variant = f.read()
        self.assertIn(PRODUCTION_DIGEST.encode(), shipped)
        self.assertIn(SIGNER.encode(), shipped)
        self.assertNotIn(fixture.encode(), shipped)
        self.assertIn(fixture.encode(), test_variant)
        self.assertNotIn(PRODUCTION_DIGEST.encode(), test_variant)


if __name__ == "__main__":
    harness.main()
