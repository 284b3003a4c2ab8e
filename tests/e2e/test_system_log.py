"""The record each run leaves in the system log, read from a /dev/log of the
machine's own: what support needs to tell which check failed and why. The
durations vary; everything else of each record is checked, in order."""

import os
import re
import unittest

import harness
import scenario as s
from bundles import file_digest, fixture_digest
from scenario import Reply

LOG_USER = 1
LOG_NOTICE = 5


def quoted(text):
    """A value as the record quotes it (the texts here need no escapes but tabs)."""
    return '"' + text.replace("\t", "\\t") + '"'


def start(mode):
    """The first record; normal mode adds the language of its alerts."""
    line = "app: start: %s, version 1.0, OS %s" % (mode, quoted(os.uname().release))
    return line + ', language "en"' if mode == "normal mode" else line


def end(status):
    return "app: end: exit status %d" % status


def run(category, argv, status, reply):
    """The record of one tool run that gave `reply` (a sandbox Reply)."""
    return "%s: run %s: exit status %d, %d bytes of output" % (
        category, " ".join(quoted(a) for a in argv), status, len(reply.stdout) + len(reply.stderr))


def driver_query(machine, listing_reply, state):
    receipt = machine.replies["pkgutil --pkg-info"]
    return [run("state", s.LIST, 0, listing_reply), run("state", s.RECEIPT, receipt.status, receipt),
            "state: driver state: " + state]


def alert(title, answer):
    return "flow: alert %s: %s" % (quoted(title), answer)


def tool_package(machine):
    """The package path the tools got: the program's private copy of it."""
    return next(c[2] for c in machine.calls() if c[:2] == ["/usr/sbin/pkgutil", "--check-signature"])


NOT_LISTED = "notInstalled, no receipt, driver not listed"
ENABLED_LINE = s.driver_line(b"activated enabled").decode().rstrip("\n")
WAITING_LINE = s.driver_line(b"activated waiting for user").decode().rstrip("\n")


class RecordedRun(unittest.TestCase):
    maxDiff = None

    def records(self, machine, command, typed=b"", stdout=None, status=0, stderr=b""):
        """Runs `command` on `machine` (which has a log), checks that its
        output is what it is without a log, and returns its records with the
        durations taken off."""
        result = machine.run(command, input=typed, env=harness.plain_environment())
        if stdout is not None:
            self.assertEqual(result.stdout.decode("utf-8", "replace"), "".join(a.terminal_text() for a in stdout))
        self.assertEqual((result.returncode, result.stderr), (status, stderr))
        records = machine.log_records()
        for record in records:
            self.assertEqual((record.ident, record.facility, record.severity),
                             ("DriverAssistant", LOG_USER, LOG_NOTICE))
        self.assertEqual(len({r.pid for r in records}), 1, "one process writes the whole record")
        lines = [r.message for r in records]
        for line in lines:
            if ": run " in line:
                self.assertRegex(line, r", \d+ ms$")
        return [re.sub(r", \d+ ms$", "", line) for line in lines]


class InstallPath(RecordedRun):
    def test_each_recheck_outcome(self):
        cases = [
            # name, listing after the installer opened, final state record, result alert
            ("enabled", s.ENABLED, "enabled, no receipt, listing line " + quoted(ENABLED_LINE),
             s.INSTALLATION_COMPLETE),
            ("waiting for approval", s.WAITING, "installedNotEnabled, no receipt, listing line " + quoted(WAITING_LINE),
             s.APPROVAL_OR_RESTART),
            ("still nothing", None, NOT_LISTED, s.DRIVER_NOT_DETECTED),
        ]
        with s.BundleCopy(s.test_program()) as bundle:
            package = bundle.package
            for name, after, final_state, result in cases:
                with self.subTest(name), s.mac(after_open=after, log=True) as machine:
                    lines = self.records(machine, [bundle.executable], b"1\n1\n1\n",
                                         [s.driver_required(), s.COMPLETE_INSTALLATION, result])
                    final_listing = Reply(after if after is not None else s.NOTHING)
                    self.assertEqual(lines, [start("normal mode")]
                                     + driver_query(machine, machine.replies["systemextensionsctl"], NOT_LISTED)
                                     + [alert("Driver Required", '"Install Driver"'),
                                        "package: found at " + quoted(package),
                                        "package: digest: matches " + file_digest(package),
                                        run("package", s.verification(tool_package(machine))[0], 0,
                                            machine.replies["pkgutil --check-signature"]),
                                        "package: signature check: exit status 0, signer found",
                                        run("package", s.verification(tool_package(machine))[1], 0, machine.replies["spctl"]),
                                        "package: trust assessment: exit status 0, accepted",
                                        run("flow", s.opening(tool_package(machine))[0], 0, machine.replies["xdg-open"]),
                                        "flow: installer: opened",
                                        alert("Complete the WCH Installation", '"Recheck"')]
                                     + driver_query(machine, final_listing, final_state)
                                     + [alert(result.title, '"OK"'), end(0)])


class Refusals(RecordedRun):
    """A run that stops at a check says which check and why."""

    def test_signature_refused(self):
        other = s.SIGNER.replace("(5JZGQTGU4W)", "(ABCDE12345)")
        with s.BundleCopy(s.test_program()) as bundle, \
                s.mac(check_signature=Reply(s.signature(other)), log=True) as machine:
            lines = self.records(machine, [bundle.executable], b"1\n1\n",
                                 [s.driver_required(), s.unable_to_continue(s.SIGNER_MISMATCH)])
            self.assertEqual(lines[-5:], [
                "package: digest: matches " + file_digest(bundle.package),
                run("package", s.verification(tool_package(machine))[0], 0, machine.replies["pkgutil --check-signature"]),
                "package: signature check: exit status 0, signer not found",
                alert("Unable to Continue", '"OK"'),
                end(0)])

    def test_assessment_killed_by_a_signal(self):
        killed = Reply(script="kill -KILL $PPID")  # the stand-in ends on SIGKILL
        with s.BundleCopy(s.test_program()) as bundle, s.mac(assessment=killed, log=True) as machine:
            lines = self.records(machine, [bundle.executable], b"1\n1\n",
                                 [s.driver_required(), s.unable_to_continue(s.NOT_TRUSTED)])
            self.assertEqual(lines[-4:], [
                'package: run %s: ended by signal 9, 0 bytes of output'
                % " ".join(quoted(a) for a in s.verification(tool_package(machine))[1]),
                "package: trust assessment: ended by signal 9, refused",
                alert("Unable to Continue", '"OK"'),
                end(0)])

    def test_digest_mismatch_names_both_digests(self):
        expected = fixture_digest()
        with s.BundleCopy(s.test_program(), change=s.change_first_byte) as bundle, s.mac(log=True) as machine:
            lines = self.records(machine, [bundle.executable], b"1\n1\n",
                                 [s.driver_required(), s.unable_to_continue(s.DIGEST_MISMATCH)])
            self.assertEqual(lines[-4:], [
                "package: found at " + quoted(bundle.package),
                "package: digest: mismatch, expected %s, actual %s" % (expected, file_digest(bundle.package)),
                alert("Unable to Continue", '"OK"'),
                end(0)])


class Declined(RecordedRun):
    def test_cancel_and_end_of_input(self):
        cases = [("Cancel", b"2\n", '"Cancel"'), ("end of input", b"", 'end of input, "Cancel"')]
        for name, typed, answer in cases:
            with self.subTest(name), s.mac(log=True) as machine:
                lines = self.records(machine, [s.test_program()], typed, [s.driver_required()])
                self.assertEqual(lines, [start("normal mode")]
                                 + driver_query(machine, machine.replies["systemextensionsctl"], NOT_LISTED)
                                 + [alert("Driver Required", answer), end(0)])


class SelfCheck(RecordedRun):
    def test_passing_and_failing(self):
        with s.BundleCopy(s.test_program()) as bundle:
            package = bundle.package
            passing = [start("self-check"), "package: found at " + quoted(package),
                       "package: digest: matches " + file_digest(package)]
            cases = [
                # name, machine, exit status, standard error, records after the digest
                ("passing", s.mac(log=True), 0, b"",
                 lambda m: [run("package", s.verification(tool_package(m))[0], 0, m.replies["pkgutil --check-signature"]),
                            "package: signature check: exit status 0, signer found",
                            run("package", s.verification(tool_package(m))[1], 0, m.replies["spctl"]),
                            "package: trust assessment: exit status 0, accepted"]),
                ("trust refused", s.mac(assessment=Reply(b"rejected\n", 3), log=True), 1,
                 (s.NOT_TRUSTED + "\n").encode(),
                 lambda m: [run("package", s.verification(tool_package(m))[0], 0, m.replies["pkgutil --check-signature"]),
                            "package: signature check: exit status 0, signer found",
                            run("package", s.verification(tool_package(m))[1], 3, m.replies["spctl"]),
                            "package: trust assessment: exit status 3, refused"]),
            ]
            for name, machine, status, stderr, steps in cases:
                with self.subTest(name), machine:
                    lines = self.records(machine, [bundle.executable, "--self-check"], status=status, stderr=stderr)
                    self.assertEqual(lines, passing + steps(machine) + [end(status)])

    def test_a_tool_that_cannot_start(self):
        with s.BundleCopy(s.test_program()) as bundle, s.mac(absent=["spctl"], log=True) as machine:
            result = machine.run([bundle.executable, "--self-check"], env=harness.plain_environment())
            self.assertEqual(result.returncode, 1)
            lines = [r.message for r in machine.log_records()]
            self.assertRegex(lines[-2], r'^package: run "/usr/sbin/spctl" "-a" "-t" "install" ".*": failed: ".*'
                             + re.escape(os.strerror(2)) + r'", \d+ ms$')
            self.assertEqual(lines[-1], end(1))


class LogThatHoldsNothingUp(unittest.TestCase):
    """The log never holds the program up, and never takes the place of a
    standard stream."""

    def test_a_log_nobody_reads(self):
        # Far more records than the socket's queue holds (10 here) while
        # nobody reads it: the records that do not fit are dropped.
        with s.BundleCopy(s.test_program()) as bundle, s.mac(after_open=s.ENABLED, log="unread") as machine:
            result = machine.run([bundle.executable], input=b"1\n1\n1\n", env=harness.plain_environment(),
                                 timeout=30)
            self.assertEqual(result.stdout.decode(), s.driver_required().terminal_text()
                             + s.COMPLETE_INSTALLATION.terminal_text() + s.INSTALLATION_COMPLETE.terminal_text())
            self.assertEqual((result.returncode, result.stderr), (0, b""))

    def test_closed_standard_streams(self):
        # A closed descriptor 0 would otherwise be taken by the log's socket
        # and read as the terminal's answers; a closed 1 or 2 would send the
        # program's text into the log.
        cases = [
            # name, redirections, arguments, machine, standard output
            ("input closed", "<&-", [], s.mac(log=True), s.driver_required().terminal_text()),
            ("outputs closed, self-check fails", ">&- 2>&-", ["--self-check"],
             s.mac(assessment=Reply(b"rejected\n", 3), log=True), ""),
        ]
        for name, redirections, arguments, machine, stdout in cases:
            with self.subTest(name), s.BundleCopy(s.test_program()) as bundle, machine:
                result = machine.run(["sh", "-c", 'exec "$@" ' + redirections, "sh", bundle.executable] + arguments,
                                     env=harness.plain_environment(), timeout=30)
                self.assertEqual((result.stdout.decode(), result.stderr), (stdout, b""))
                # Every datagram is a record (LogRecord refuses anything else).
                lines = [r.message for r in machine.log_records()]
                if arguments:
                    self.assertEqual((result.returncode, lines[-1]), (1, end(1)))
                else:
                    self.assertEqual(result.returncode, 0)
                    self.assertIn(alert("Driver Required", 'end of input, "Cancel"'), lines)


if __name__ == "__main__":
    harness.main()
