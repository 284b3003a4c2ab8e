"""Every path of the assistant, run as a user runs it without a display: the
real program on a simulated Mac, answers typed on standard input, and the
exact text of every alert on standard output."""

import errno
import os
import unittest

import harness
import scenario as s
from scenario import Reply


class TerminalRun(unittest.TestCase):
    maxDiff = None

    def assertRun(self, machine, program, answers, alerts, calls):
        """Runs `program` on `machine` with the answers typed in, and checks
        what it wrote, how it ended and which tools it started."""
        with machine:
            typed = "".join(a + "\n" for a in answers).encode()
            result = machine.run([program], input=typed, env=harness.plain_environment())
            self.assertEqual(result.stdout.decode("utf-8", "replace"), "".join(a.terminal_text() for a in alerts),
                             "standard error: %r" % result.stderr[-2000:])
            self.assertEqual(result.returncode, 0, result.stderr[-2000:])
            self.assertEqual(machine.calls(), calls)


class DriverAlreadyEnabled(TerminalRun):
    """One report, whatever else the listing holds; /dev decides its last line."""

    other_extension = b"*\t*\tABCDE12345\tcom.example.Other (2.0/2)\tcom.example.Other\t[activated enabled]\n"
    cases = [
        # name, listing on standard output, on standard error, /dev names, port line
        ("port present", s.ENABLED, b"", ["cu.Bluetooth-Incoming-Port", "cu.wchusbserial1420"], True),
        ("name equal to the prefix", s.ENABLED, b"", ["cu.wchusbserial"], True),
        ("no port", s.ENABLED, b"", [], False),
        ("only names that do not begin with the prefix", s.ENABLED, b"",
         ["tty.wchusbserial1420", "cu.WCHUSBSERIAL1420", "xcu.wchusbserial1"], False),
        ("listing on standard error", b"", s.ENABLED, ["cu.wchusbserial1420"], True),
        # A fleet Mac with many extensions: the driver's line comes last,
        # several MiB in, well past any pipe's buffer.
        ("driver line after 8 MiB", s.listing(other_extension * (8 * 2**20 // len(other_extension)),
                                              s.driver_line(b"activated enabled")), b"", [], False),
        # Ill-formed bytes right against the searched texts must not swallow them.
        ("invalid UTF-8 around the driver line",
         s.LISTING_HEADER + b"\xff\xfe\xc3*\t*\t5JZGQTGU4W\t\xe2\x82cn.wch.CH34xVCPDriver (1.0/1)\xf0\x9f\x98"
         b"\tname\xed\xa0\x80[activated enabled]\xc0\xaf\n\x80", b"", ["cu.wchusbserial9"], True),
    ]

    def test_reports_enabled(self):
        for name, out, err, dev, port in self.cases:
            with self.subTest(name):
                machine = s.Machine({"systemextensionsctl": Reply(out, 0, err), "pkgutil --pkg-info": Reply(status=1)},
                                    dev=dev)
                self.assertRun(machine, s.shipped_program(), ["1"], [s.driver_check_complete(port)], s.DRIVER_STATE)


class OfferDeclined(TerminalRun):
    """"Cancel" at an offer ends the run: nothing verified, nothing opened."""

    def test_cancel(self):
        cases = [
            ("listed, waiting for the user", s.mac(listing=s.WAITING), s.driver_needs_attention()),
            ("only the receipt", s.mac(receipt=True), s.driver_needs_attention()),
            ("enabled marker of another extension only",
             s.mac(listing=s.listing(b"*\t*\tX\tcom.example.Other (1/1)\tOther\t[activated enabled]\n")),
             s.driver_required()),
            ("nothing installed", s.mac(), s.driver_required()),
        ]
        for name, machine, offer in cases:
            with self.subTest(name):
                self.assertRun(machine, s.test_program(), ["2"], [offer], s.DRIVER_STATE)

    def test_end_of_input_counts_as_cancel(self):
        self.assertRun(s.mac(), s.test_program(), [], [s.driver_required()], s.DRIVER_STATE)


class Installation(TerminalRun):
    """The offer accepted: the package is verified, the installer opened, and
    "Recheck" reports what the machine shows then. The bundle sits in a folder
    with a space and a non-ASCII letter, which every tool must get as is."""

    def test_recheck_reports_the_final_state(self):
        cases = [
            ("not installed, then enabled", s.mac(after_open=s.ENABLED), s.driver_required(), s.INSTALLATION_COMPLETE),
            ("not installed, then waiting for approval", s.mac(after_open=s.WAITING), s.driver_required(),
             s.APPROVAL_OR_RESTART),
            ("not installed, then still nothing", s.mac(), s.driver_required(), s.DRIVER_NOT_DETECTED),
            ("repair, then enabled", s.mac(listing=s.WAITING, receipt=True, after_open=s.ENABLED),
             s.driver_needs_attention(), s.INSTALLATION_COMPLETE),
        ]
        with s.BundleCopy(s.test_program()) as bundle:
            for name, machine, offer, result in cases:
                with self.subTest(name):
                    copy = s.PrivateCopy()
                    self.assertRun(machine, bundle.executable, ["1", "1", "1"],
                                   [offer, s.COMPLETE_INSTALLATION, result],
                                   s.DRIVER_STATE + s.verification(copy) + s.opening(copy) + s.DRIVER_STATE)

    def test_close_ends_without_a_second_check(self):
        copy = s.PrivateCopy()
        with s.BundleCopy(s.test_program()) as bundle:
            self.assertRun(s.mac(after_open=s.ENABLED), bundle.executable, ["1", "2"],
                           [s.driver_required(), s.COMPLETE_INSTALLATION],
                           s.DRIVER_STATE + s.verification(copy) + s.opening(copy))


class Failures(TerminalRun):
    """Each failure after "Install Driver" ends in "Unable to Continue" with
    its message, and no tool runs after the failing step."""

    def test_package_missing_in_the_shipped_program(self):
        self.assertRun(s.mac(), s.shipped_program(), ["1", "1"],
                       [s.driver_required(), s.unable_to_continue(s.PACKAGE_MISSING)], s.DRIVER_STATE)

    def test_package_changed_by_one_byte(self):
        with s.BundleCopy(s.test_program(), change=s.change_first_byte) as bundle:
            self.assertRun(s.mac(), bundle.executable, ["1", "1"],
                           [s.driver_required(), s.unable_to_continue(s.DIGEST_MISMATCH)], s.DRIVER_STATE)

    def test_verification_and_opening_failures(self):
        other_team = s.SIGNER.replace("(5JZGQTGU4W)", "(ABCDE12345)")
        cases = [
            # name, machine, message, how many of signature check, assessment, open ran
            ("another signer", s.mac(check_signature=Reply(s.signature(other_team))), s.SIGNER_MISMATCH, 1),
            ("signature check fails although it names the signer",
             s.mac(check_signature=Reply(s.signature(), status=1)), s.SIGNER_MISMATCH, 1),
            ("assessment refuses", s.mac(assessment=Reply(stderr=b"PATH: rejected\n", status=3)), s.NOT_TRUSTED, 2),
            # The listing would change only if the installer had opened.
            ("installer does not open",
             s.mac(installer=Reply(stderr=b"xdg-open: no method available\n", status=3), after_open=s.ENABLED),
             s.OPEN_FAILED, 3),
        ]
        with s.BundleCopy(s.test_program()) as bundle:
            for name, machine, message, steps in cases:
                with self.subTest(name):
                    copy = s.PrivateCopy()
                    tools = (s.verification(copy) + s.opening(copy))[:steps]
                    self.assertRun(machine, bundle.executable, ["1", "1"],
                                   [s.driver_required(), s.unable_to_continue(message)], s.DRIVER_STATE + tools)


def package_made_a_folder(path):
    os.unlink(path)
    os.mkdir(path)


class PlatformErrors(TerminalRun):
    """A tool that is not there, or a package that cannot be read: the
    system's own error reaches the user unchanged in "Unable to Continue"
    (its wording is the platform's; it must name what went wrong)."""

    def test_shown_in_unable_to_continue(self):
        cases = [
            # name, absent tool, package change, system error, calls that still ran
            ("no pkgutil", "pkgutil", None, errno.ENOENT, lambda package: [s.LIST]),
            ("no spctl", "spctl", None, errno.ENOENT, lambda package: s.DRIVER_STATE + s.verification(package)[:1]),
            ("package is a folder", None, package_made_a_folder, errno.EISDIR, lambda package: s.DRIVER_STATE),
        ]
        for name, absent, change, error, calls in cases:
            with self.subTest(name), s.BundleCopy(s.test_program(), change=change) as bundle, \
                    s.mac(absent=[absent] if absent else []) as machine:
                result = machine.run([bundle.executable], input=b"1\n1\n", env=harness.plain_environment())
                offer = s.driver_required().terminal_text()
                out = result.stdout.decode()
                self.assertTrue(out.startswith(offer), out)
                title, message, rest = out[len(offer):].split("\n", 2)
                self.assertEqual((title, rest), ("Unable to Continue", "1. OK\nPress 1 and Return: \n"), out)
                self.assertIn(os.strerror(error), message)
                self.assertEqual(result.returncode, 0)
                self.assertEqual(machine.calls(), calls(s.PrivateCopy()))

    def test_missing_tools_in_the_driver_query(self):
        # The listing tool is not there: an empty listing, so the receipt decides.
        self.assertRun(s.mac(receipt=True, absent=["systemextensionsctl"]), s.shipped_program(), ["2"],
                       [s.driver_needs_attention()], [s.RECEIPT])
        # Nothing to open the package with: the open fails.
        with s.BundleCopy(s.test_program()) as bundle:
            self.assertRun(s.mac(absent=["xdg-open"]), bundle.executable, ["1", "1"],
                           [s.driver_required(), s.unable_to_continue(s.OPEN_FAILED)],
                           s.DRIVER_STATE + s.verification(s.PrivateCopy()))


if __name__ == "__main__":
    harness.main()
