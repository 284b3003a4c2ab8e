"""The self-check as a fleet runs it: only the package's tools run, never the
driver query, and the outcome is the exit status (plus the message of a
package failure on standard error)."""

import errno
import os
import unittest

import harness
import scenario as s
from scenario import Reply


class SelfCheck(unittest.TestCase):
    def check(self, machine, program, status, stderr, calls):
        with machine:
            result = machine.run([program, "--self-check"], env=harness.plain_environment())
            self.assertEqual((result.returncode, result.stdout, result.stderr.decode("utf-8", "replace")),
                             (status, b"", stderr))
            self.assertEqual(machine.calls(), calls)

    def test_outcomes(self):
        with s.BundleCopy(s.test_program()) as bundle:
            cases = [
                # name, machine, exit status, standard error, how many package tools ran
                ("sound package", s.mac(), 0, "", 2),
                # The driver's state on this Mac does not matter to the self-check.
                ("sound package, driver enabled", s.mac(listing=s.ENABLED, receipt=True), 0, "", 2),
                ("another signer", s.mac(check_signature=Reply(s.signature("Developer ID Installer: Someone (X)"))),
                 1, s.SIGNER_MISMATCH + "\n", 1),
                ("assessment refuses", s.mac(assessment=Reply(b"rejected\n", 3)), 1, s.NOT_TRUSTED + "\n", 2),
            ]
            for name, machine, status, stderr, steps in cases:
                with self.subTest(name):
                    self.check(machine, bundle.executable, status, stderr, s.verification(s.PrivateCopy())[:steps])

    def test_missing_tool(self):
        with s.BundleCopy(s.test_program()) as bundle, s.mac(absent=["spctl"]) as machine:
            result = machine.run([bundle.executable, "--self-check"], env=harness.plain_environment())
            self.assertEqual((result.returncode, result.stdout), (1, b""))
            # The system's own description, on one line.
            self.assertIn(os.strerror(errno.ENOENT).encode(), result.stderr)
            self.assertTrue(result.stderr.endswith(b"\n") and result.stderr.count(b"\n") == 1, result.stderr)
            self.assertEqual(machine.calls(), s.verification(s.PrivateCopy())[:1])

    def test_package_failures_start_no_tool(self):
        with self.subTest("missing in the shipped program"):
            self.check(s.mac(), s.shipped_program(), 1, s.PACKAGE_MISSING + "\n", [])
        with self.subTest("changed by one byte"), s.BundleCopy(s.test_program(), change=s.change_first_byte) as bundle:
            self.check(s.mac(), bundle.executable, 1, s.DIGEST_MISMATCH + "\n", [])


USAGE = b"usage: DriverAssistant [--self-check | --driver-state | --help]\n"
HELP = (USAGE + b"  --self-check    check the assistant itself: 0 sound, 1 not\n"
        b"  --driver-state  write this Mac's driver state: 0 enabled, 1 installedNotEnabled, 2 notInstalled, "
        b"3 unknown, 74 not written\n"
        b"  --help, -h, -?  write this help: 0\n")


class Arguments(unittest.TestCase):
    """A mistyped option, or any argument the system does not pass an
    application, fails without running anything; the arguments the system
    passes leave normal mode as it is."""

    def test_options(self):
        driver_required = s.driver_required().terminal_text().encode()
        cases = [
            # name, arguments, exit status, standard output, standard error, whether the run is recorded
            ("misspelt", ["--selfcheck"], 64, b"", USAGE, False),
            ("with a value", ["--self-check=1"], 64, b"", USAGE, False),
            ("beside the real one", ["--self-check", "--verbose"], 64, b"", USAGE, False),
            # What smart dashes make of a pasted "--self-check".
            ("em dash", ["\u2014self-check"], 64, b"", USAGE, False),
            # Anything the system does not pass an application, one row per kind.
            ("smart quotes", ["\u201c--self-check\u201d"], 64, b"", USAGE, False),
            ("literal quotes from a management field", ["'--self-check'"], 64, b"", USAGE, False),
            ("an invisible character in front", ["\u2060--self-check"], 64, b"", USAGE, False),
            ("a dash not on any list", ["\u30fc\u30fcdriver-state"], 64, b"", USAGE, False),
            ("bytes of a script saved as cp1252", [b"\x96\x96self-check"], 64, b"", USAGE, False),
            ("a slash", ["/self-check"], 64, b"", USAGE, False),
            ("a defaults name without its value", ["-NSDocumentRevisionsDebugMode"], 64, b"", USAGE, False),
            ("help", ["--help"], 0, HELP, b"", False),
            ("-h", ["-h"], 0, HELP, b"", False),
            ("-?", ["-?"], 0, HELP, b"", False),
            ("old Finder's serial number", ["-psn_0_12345"], 0, driver_required, b"", True),
            ("defaults from Xcode", ["-NSDocumentRevisionsDebugMode", "YES", "-AppleLanguages", "(en)"], 0,
             driver_required, b"", True),
        ]
        for name, arguments, status, stdout, stderr, recorded in cases:
            with self.subTest(name), s.mac(log=True) as machine:
                result = machine.run([s.shipped_program()] + arguments, input=b"2\n",
                                     env=harness.plain_environment())
                self.assertEqual((result.returncode, result.stdout, result.stderr), (status, stdout, stderr))
                self.assertEqual(bool(machine.calls()), recorded, machine.calls())
                self.assertEqual(bool(machine.log_records()), recorded)


if __name__ == "__main__":
    harness.main()
