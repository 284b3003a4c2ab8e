"""`--driver-state` as a management script runs it: this Mac's driver state
as one word on standard output and an exit status by the monitoring
convention, never a guess when a tool could not be read, no window, no
input."""

import errno
import os
import signal
import subprocess
import unittest

import harness
import scenario as s
from sandbox import stop
from scenario import Reply

USAGE = b"usage: DriverAssistant [--self-check | --driver-state | --help]\n"
QUERY_LIMIT = 3  # seconds, the test-only variant's limit for the driver query


class DriverState(unittest.TestCase):
    maxDiff = None

    def answer(self, machine, program=None, wrap=()):
        return machine.run(list(wrap) + [program or s.shipped_program(), "--driver-state"],
                           env=harness.plain_environment())

    def test_states(self):
        cases = [
            # name, machine, word, exit status
            ("ours enabled", s.mac(listing=s.ENABLED, receipt=True), b"enabled", 0),
            ("another vendor's enabled, ours absent", s.mac(listing=s.listing(s.OTHER_ENABLED_LINE)),
             b"notInstalled", 2),
            ("ours waiting while others are enabled",
             s.mac(listing=s.listing(s.OTHER_ENABLED_LINE, s.driver_line(b"activated waiting for user"))),
             b"installedNotEnabled", 1),
            ("the receipt only", s.mac(receipt=True), b"installedNotEnabled", 1),
            ("nothing", s.mac(), b"notInstalled", 2),
            # Not read from standard input, and not needing it.
            ("standard input closed", s.mac(listing=s.ENABLED), b"enabled", 0, ["sh", "-c", 'exec "$@" <&-', "sh"]),
        ]
        for name, machine, word, status, *wrap in cases:
            with self.subTest(name), machine:
                result = self.answer(machine, wrap=wrap[0] if wrap else ())
                self.assertEqual((result.returncode, result.stdout, result.stderr), (status, word + b"\n", b""))
                self.assertEqual(machine.calls(), s.DRIVER_STATE)

    def test_unknown_when_a_tool_could_not_be_read(self):
        cases = [
            # name, machine, the line on standard error
            ("listing tool missing", s.mac(receipt=True, absent=["systemextensionsctl"]),
             "/usr/bin/systemextensionsctl: %s" % os.strerror(errno.ENOENT), [s.RECEIPT]),
            ("listing tool hangs", s.mac(receipt=True), "/usr/bin/systemextensionsctl did not finish within %d "
             "seconds." % QUERY_LIMIT, s.DRIVER_STATE),
        ]
        cases[1][1].replies["systemextensionsctl"] = Reply(script="sleep 600")
        # A tool that ran but did not answer: its output may be cut short or a
        # complaint, so the word would be a guess.
        ended = [
            # name, the tool, its reply, the line on standard error
            ("listing refused", "systemextensionsctl", Reply(stderr=b"list command failed\n", status=69),
             "/usr/bin/systemextensionsctl ended with status 69"),
            ("listing crashed after its header", "systemextensionsctl",
             Reply(script="printf '1 extension(s)\\n'; kill -ABRT $$", replace=True),
             "/usr/bin/systemextensionsctl ended by signal %d" % signal.SIGABRT),
            ("listing killed", "systemextensionsctl", Reply(script="kill -SEGV $$", replace=True),
             "/usr/bin/systemextensionsctl ended by signal %d" % signal.SIGSEGV),
            ("receipt query killed", "pkgutil --pkg-info", Reply(script="kill -KILL $$", replace=True),
             "/usr/sbin/pkgutil ended by signal %d" % signal.SIGKILL),
            ("receipt query failed", "pkgutil --pkg-info", Reply(stderr=b"pkgutil: internal error\n", status=70),
             "/usr/sbin/pkgutil ended with status 70"),
        ]
        for name, tool, reply, reason in ended:
            machine = s.mac(listing=s.ENABLED, receipt=True)
            machine.replies[tool] = reply
            cases.append((name, machine, reason, s.DRIVER_STATE))
        for name, machine, reason, calls in cases:
            with self.subTest(name), machine:
                result = self.answer(machine, s.test_program())
                self.assertEqual((result.returncode, result.stdout, result.stderr.decode()),
                                 (3, b"unknown\n", reason + "\n"))
                self.assertEqual(machine.calls(), calls)

    def test_with_the_self_check_is_a_usage_error(self):
        with s.mac(log=True) as machine:
            result = machine.run([s.shipped_program(), "--driver-state", "--self-check"],
                                 env=harness.plain_environment())
            self.assertEqual((result.returncode, result.stdout, result.stderr), (64, b"", USAGE))
            self.assertEqual((machine.calls(), machine.log_records()), ([], []))

    def test_the_record_names_the_mode(self):
        with s.mac(listing=s.WAITING, log=True) as machine:
            self.assertEqual(self.answer(machine).returncode, 1)
            messages = [r.message for r in machine.log_records()]
            self.assertTrue(messages[0].startswith("app: start: driver state, version "), messages)
            self.assertEqual([m.split(":")[0] for m in messages[1:-1]], ["state"] * 3, messages)
            self.assertTrue(messages[-2].startswith("state: driver state: installedNotEnabled, no receipt"), messages)
            self.assertEqual(messages[-1], "app: end: exit status 1")

    def test_an_answer_nobody_reads_fails(self):
        with self.subTest("standard output closed"), s.mac(listing=s.ENABLED) as machine:
            result = self.answer(machine, wrap=["sh", "-c", 'exec "$@" >&-', "sh"])
            self.assertEqual((result.returncode, result.stdout), (74, b""))
        with self.subTest("a reader that went away"), s.mac(listing=s.ENABLED) as machine:
            read_end, write_end = os.pipe()
            os.close(read_end)
            try:
                process = machine.popen([s.shipped_program(), "--driver-state"], env=harness.plain_environment(),
                                        stdin=subprocess.DEVNULL, stdout=write_end, stderr=subprocess.DEVNULL)
            finally:
                os.close(write_end)
            try:
                # Ended, not hanging, and not with a status that reads as an answer.
                self.assertNotIn(process.wait(timeout=30), (0, 1, 2, 3))
            finally:
                stop(process)

if __name__ == "__main__":
    harness.main()
