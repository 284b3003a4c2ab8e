"""System tools that misbehave: ones that hang, a launcher that leaves
SIGCHLD ignored, the assistant ended while a tool runs, and an opener that
leaves a program running behind it. The test-only variant gives each kind
of tool a limit of its own (3 s for the driver query, 4 s for the package
checks, 5 s for the opener), so each test sees that its tool runs with its
own limit; nothing a tool started may outlive the assistant."""

import contextlib
import os
import shlex
import time
import unittest

import harness
import scenario as s
from scenario import Reply

# Seconds, the test-only variant's limits.
QUERY_LIMIT = 3
PACKAGE_LIMIT = 4
OPENER_LIMIT = 5
SLACK = 6  # seconds for starting the program and ending the tool's group

HANGS = Reply(script="sleep 600")

# Waits (five seconds at most) until the simulated Mac (its own PID
# namespace) holds nothing but shells, ps and processes that have ended: a
# process that has been sent SIGKILL may take a moment to end on a loaded
# machine. Ended ones ("<defunct>", not reaped yet) are not left running.
# Whatever is still running then, the listing taken after it shows.
UNTIL_ONLY_SHELLS_LEFT = ('i=0\n'
                          'while [ $i -lt 100 ] && ps -e -o args= | grep -v -e "^sh -c" -e "^ps -e" -e "^grep " '
                          '-e "<defunct>$" -e gdnc | grep -q .; do\n'
                          '  sleep 0.05; i=$((i + 1))\n'
                          'done\n')

# Runs the command given after it and writes the nanoseconds it took into
# the file named first + ".took"; then, once only shells are left or the
# wait is over, lists every process left in the simulated Mac into the file
# named first.
AND_LIST_PROCESSES = ('start=$(date +%s%N); "$@"; status=$?; end=$(date +%s%N)\n' + UNTIL_ONLY_SHELLS_LEFT +
                      'ps -e -o args= > "$0"; echo $((end - start)) > "$0.took"; exit $status\n')


def with_reply(machine, key, reply):
    machine.replies[key] = reply
    return machine


class MisbehavingTools(unittest.TestCase):
    maxDiff = None

    def run_and_list(self, machine, command, answers=None):
        """Runs `command` on `machine` (entered); returns the result, the
        seconds it took and the processes left in the machine after it."""
        listing = machine.state_path("processes")
        typed = None if answers is None else "".join(a + "\n" for a in answers).encode()
        result = machine.run(["sh", "-c", AND_LIST_PROCESSES, listing] + command, input=typed,
                             env=harness.plain_environment())
        with open(listing + ".took") as f:
            took = int(f.read()) / 1e9
        with open(listing) as f:
            left = [line.strip() for line in f]
        return result, took, left

    def assertNothingLeft(self, left):
        # Only the namespace's first shell, the listing shell and ps itself;
        # a process that has ended but that the namespace's first process
        # has not reaped yet ("<defunct>") is not left running.
        strays = [p for p in left
                  if not (p.startswith("sh -c") or p.startswith("ps -e") or p.endswith("<defunct>"))]
        self.assertEqual(strays, [], "processes left behind")

    def assertEndedAtItsLimit(self, machine, path, limit, took):
        """The run of `path` failed at `limit` seconds, as the record says."""
        failed = [r.message for r in machine.log_records() if (" run \"%s\"" % path) in r.message]
        self.assertEqual(len(failed), 1, failed)
        self.assertIn(': failed: "%s did not finish within %d seconds.", ' % (path, limit), failed[0])
        self.assertGreaterEqual(took, limit)
        self.assertLess(took, limit + SLACK)

    def test_hanging_driver_query_gives_the_defaults(self):
        cases = [
            # name, machine, hanging tool, first alert
            ("listing hangs", with_reply(s.mac(receipt=True, log=True), "systemextensionsctl", HANGS),
             "/usr/bin/systemextensionsctl", s.driver_needs_attention()),
            ("receipt query hangs", with_reply(s.mac(listing=s.WAITING, log=True), "pkgutil --pkg-info", HANGS),
             "/usr/sbin/pkgutil", s.driver_needs_attention()),
            ("receipt query hangs, nothing listed", with_reply(s.mac(log=True), "pkgutil --pkg-info", HANGS),
             "/usr/sbin/pkgutil", s.driver_required()),
        ]
        for name, machine, path, offer in cases:
            with self.subTest(name), machine:
                result, took, left = self.run_and_list(machine, [s.test_program()], ["2"])
                self.assertEqual(result.stdout.decode(), offer.terminal_text(), result.stderr[-2000:])
                self.assertEqual(result.returncode, 0)
                self.assertEndedAtItsLimit(machine, path, QUERY_LIMIT, took)
                self.assertEqual(machine.calls(), s.DRIVER_STATE)
                self.assertNothingLeft(left)

    def test_hanging_package_check_ends_in_unable_to_continue(self):
        cases = [
            # name, key of the hanging tool, its path, tools that ran
            ("signature check", "pkgutil --check-signature", "/usr/sbin/pkgutil", 1),
            ("assessment", "spctl", "/usr/sbin/spctl", 2),
        ]
        with s.BundleCopy(s.test_program()) as bundle:
            for name, key, path, steps in cases:
                machine = with_reply(s.mac(), key, HANGS)
                with self.subTest(name), machine:
                    result, took, left = self.run_and_list(machine, [bundle.executable], ["1", "1"])
                    message = "%s did not finish within %d seconds." % (path, PACKAGE_LIMIT)
                    self.assertEqual(result.stdout.decode(),
                                     s.driver_required().terminal_text() + s.unable_to_continue(message).terminal_text(),
                                     result.stderr[-2000:])
                    self.assertGreaterEqual(took, PACKAGE_LIMIT)
                    self.assertLess(took, PACKAGE_LIMIT + SLACK)
                    # The tools check a private copy of the package.
                    self.assertEqual(machine.calls(), s.DRIVER_STATE + s.verification(s.PrivateCopy())[:steps])
                    self.assertNothingLeft(left)

    def test_hanging_package_check_fails_the_self_check_with_one_line(self):
        cases = [("signature check", "pkgutil --check-signature", "/usr/sbin/pkgutil"),
                 ("assessment", "spctl", "/usr/sbin/spctl")]
        with s.BundleCopy(s.test_program()) as bundle:
            for name, key, path in cases:
                machine = with_reply(s.mac(), key, HANGS)
                with self.subTest(name), machine:
                    result, took, left = self.run_and_list(machine, [bundle.executable, "--self-check"])
                    self.assertEqual((result.returncode, result.stdout, result.stderr.decode()),
                                     (1, b"", "%s did not finish within %d seconds.\n" % (path, PACKAGE_LIMIT)))
                    self.assertGreaterEqual(took, PACKAGE_LIMIT)
                    self.assertLess(took, PACKAGE_LIMIT + SLACK)
                    self.assertNothingLeft(left)

    def test_hanging_opener_ends_in_unable_to_continue(self):
        # xdg-open neither opens the package nor exits: at its own limit the
        # opening counts as failed, and whatever the stand-in started ends.
        with s.BundleCopy(s.test_program()) as bundle, s.mac(installer=HANGS, log=True) as machine:
            result, took, left = self.run_and_list(machine, [bundle.executable], ["1", "1"])
            self.assertEqual(result.stdout.decode(),
                             s.driver_required().terminal_text() + s.unable_to_continue(s.OPEN_FAILED).terminal_text(),
                             result.stderr[-2000:])
            self.assertEqual(result.returncode, 0)
            self.assertEqual(machine.calls()[-1][0], "/usr/bin/xdg-open")
            self.assertEndedAtItsLimit(machine, "/usr/bin/xdg-open", OPENER_LIMIT, took)
            self.assertNothingLeft(left)

    def test_a_tool_that_leaves_its_group(self):
        # spctl moves into a process group that a child of its own made
        # (by that group's id, which is also what it reads inside the
        # simulated Mac's PID namespace; the assistant's own group lies
        # outside and reads as 0), where ending its group cannot reach it,
        # ignores SIGTERM and sleeps: the run still ends at the limit and the
        # grace, and the tool with it.
        leaves = ("exec python3 -c 'import os, signal, time\n"
                  "ready, go = os.pipe()\n"
                  "helper = os.fork()\n"
                  "if helper == 0:\n"
                  "    os.setpgid(0, 0)\n"
                  "    os.write(go, b\"x\")\n"
                  "    time.sleep(60)\n"
                  "os.read(ready, 1)\n"
                  "os.setpgid(0, helper)\n"
                  "os.kill(helper, signal.SIGKILL)\n"
                  "os.waitpid(helper, 0)\n"
                  "if os.getpgrp() != os.getpid():\n"
                  "    open(os.environ[\"ASSISTANT_STATE\"] + \"/left\", \"w\").close()\n"
                  "signal.signal(signal.SIGTERM, signal.SIG_IGN)\n"
                  "time.sleep(60)'\n")
        with s.BundleCopy(s.test_program()) as bundle:
            machine = with_reply(s.mac(), "spctl", Reply(script=leaves, replace=True))
            with machine:
                result, took, left = self.run_and_list(machine, [bundle.executable, "--self-check"])
                self.assertEqual((result.returncode, result.stdout, result.stderr.decode()),
                                 (1, b"", "/usr/sbin/spctl did not finish within %d seconds.\n" % PACKAGE_LIMIT))
                self.assertTrue(os.path.exists(machine.state_path("left")), "the tool did not leave its group")
                self.assertLess(took, PACKAGE_LIMIT + SLACK)
                self.assertNothingLeft(left)

    def test_a_quick_tool_while_the_assistant_was_stopped_past_its_limit(self):
        # The tool stops the assistant (as Ctrl-Z would, or SIGSTOP) for
        # longer than its limit and ends 0.3 s later; something it leaves
        # behind, holding none of its output, continues the assistant. The
        # tool finished: its answer counts.
        def stops_then(seconds, answer):
            return ('kill -STOP "$PPID"\n'
                    '(sleep %s; kill -CONT "$PPID") </dev/null >/dev/null 2>&1 &\n'
                    'sleep 0.3\n%s' % (seconds, answer))

        listing = "printf '%%s' %s\n" % shlex.quote(s.ENABLED.decode())
        with self.subTest("the driver check"):
            machine = with_reply(s.mac(), "systemextensionsctl",
                                 Reply(script=stops_then(QUERY_LIMIT + 1.5, listing), replace=True))
            with machine:
                start = time.monotonic()
                result = machine.run([s.test_program()], input=b"1\n", env=harness.plain_environment())
                self.assertGreater(time.monotonic() - start, QUERY_LIMIT + 1.5, "the assistant was not stopped")
                self.assertEqual(result.stdout.decode(), s.driver_check_complete(False).terminal_text(),
                                 result.stderr[-2000:])
        with self.subTest("a package check"), s.BundleCopy(s.test_program()) as bundle:
            accepted = "printf '%s: accepted\\nsource=Notarized Developer ID\\n' \"$4\" >&2\n"
            machine = with_reply(s.mac(), "spctl", Reply(script=stops_then(PACKAGE_LIMIT + 1.5, accepted),
                                                         replace=True))
            with machine:
                start = time.monotonic()
                result = machine.run([bundle.executable, "--self-check"], env=harness.plain_environment())
                self.assertGreater(time.monotonic() - start, PACKAGE_LIMIT + 1.5, "the assistant was not stopped")
                self.assertEqual((result.returncode, result.stdout, result.stderr), (0, b"", b""))
        # The tool writes 200 KiB at once and is blocked on the full pipe
        # while the assistant is stopped; once the assistant reads again it
        # ends at once, or only after half its limit: only the time the
        # assistant watched it counts, however long it was stopped.
        large = [
            # name, how long the assistant stays stopped, how long the tool takes after writing
            ("a package check writing more than a pipe holds", PACKAGE_LIMIT + 1.5, 0),
            ("stopped long past the limit, then slow to end", PACKAGE_LIMIT + 10, PACKAGE_LIMIT / 2),
        ]
        for name, stopped, then in large:
            with self.subTest(name), s.BundleCopy(s.test_program()) as bundle:
                script = ('kill -STOP "$PPID"\n'
                          '(sleep %s; kill -CONT "$PPID") </dev/null >/dev/null 2>&1 &\n'
                          "i=0; while [ $i -lt %d ]; do printf '%%04096d' 0; i=$((i + 1)); done\n"
                          "sleep %s\n"
                          "printf '%%s: accepted\\nsource=Notarized Developer ID\\n' \"$4\" >&2\n"
                          % (stopped, 200 * 1024 // 4096, then))
                with with_reply(s.mac(), "spctl", Reply(script=script, replace=True)) as machine:
                    start = time.monotonic()
                    result = machine.run([bundle.executable, "--self-check"], env=harness.plain_environment())
                    self.assertEqual((result.returncode, result.stdout, result.stderr), (0, b"", b""))
                    self.assertGreater(time.monotonic() - start, stopped, "the assistant was not stopped")

    def test_signals_the_assistant_was_started_with_ignored_stay_ignored(self):
        # As under nohup (SIGHUP) or from a launcher that ignores SIGINT:
        # both come while pkgutil checks the private copy, and the self-check
        # goes on to its end.
        ignoring = ["python3", "-c", "import os, signal, sys\n"
                    "signal.signal(signal.SIGHUP, signal.SIG_IGN)\n"
                    "signal.signal(signal.SIGINT, signal.SIG_IGN)\n"
                    "os.execv(sys.argv[1], sys.argv[1:])\n"]
        # The script runs under the stand-in, whose parent is the assistant.
        signals = ('assistant=$(ps -o ppid= -p "$PPID")\n'
                   'kill -HUP $assistant; kill -INT $assistant; sleep 0.2\n')
        with s.BundleCopy(s.test_program()) as bundle, \
                s.mac(check_signature=Reply(s.signature(), script=signals)) as machine:
            result = machine.run(ignoring + [bundle.executable, "--self-check"], env=harness.plain_environment())
            self.assertEqual((result.returncode, result.stdout, result.stderr), (0, b"", b""))
            self.assertEqual([call[0] for call in machine.calls()], ["/usr/sbin/pkgutil", "/usr/sbin/spctl"])

    def test_a_launcher_that_ignores_sigchld(self):
        # The launcher sets SIGCHLD to be ignored and starts the program,
        # which inherits that.
        ignoring = ["python3", "-c", "import os, signal, sys\n"
                    "signal.signal(signal.SIGCHLD, signal.SIG_IGN)\n"
                    "os.execv(sys.argv[1], sys.argv[1:])\n"]
        with self.subTest("self-check with sound tools"), s.BundleCopy(s.test_program()) as bundle, s.mac() as machine:
            result = machine.run(ignoring + [bundle.executable, "--self-check"], env=harness.plain_environment())
            self.assertEqual((result.returncode, result.stdout, result.stderr), (0, b"", b""))
        with self.subTest("the receipt is found"), s.mac(receipt=True) as machine:
            result = machine.run(ignoring + [s.shipped_program()], input=b"2\n", env=harness.plain_environment())
            self.assertEqual(result.stdout.decode(), s.driver_needs_attention().terminal_text(), result.stderr[-2000:])

    def test_ended_by_a_signal_while_a_tool_hangs(self):
        # The shipped program (60 s per tool) gets SIGTERM while the listing
        # hangs: the tool's group ends with it. Without a display SIGTERM
        # ends it at once; with one, GNUstep's application object has a
        # handler of its own, which ends the program with status 0. A
        # script's "--driver-state" ends as the terminal does.
        script = ('"$@" & program=$!\n'
                  'until [ -s "$CALLS" ] && pgrep -x sleep >/dev/null; do sleep 0.05; done\n'
                  'kill -TERM $program; wait $program; echo "status $?"\n' +
                  UNTIL_ONLY_SHELLS_LEFT + 'ps -e -o args= > "$LISTING"\n')
        cases = [
            # name, arguments, with a display, exit status
            ("in the terminal", [], False, 143),
            ("with a display", [], True, 0),
            ("--driver-state", ["--driver-state"], False, 143),
        ]
        for name, arguments, display, status in cases:
            machine = with_reply(s.mac(), "systemextensionsctl", HANGS)
            with self.subTest(name), contextlib.ExitStack() as stack:
                stack.enter_context(machine)
                env = harness.plain_environment(CALLS=machine.state_path("calls.log"),
                                                LISTING=machine.state_path("processes"))
                if display:
                    env["DISPLAY"] = stack.enter_context(harness.Xvfb()).display
                start = time.monotonic()
                result = machine.run(["sh", "-c", script, "sh", s.shipped_program()] + arguments, env=env,
                                     timeout=30)
                self.assertLess(time.monotonic() - start, 15)
                self.assertEqual(result.stdout.decode(), "status %d\n" % status, result.stderr[-2000:])
                with open(machine.state_path("processes")) as f:
                    # GNUstep starts its notification daemon, which is not ours.
                    self.assertNothingLeft([line.strip() for line in f if "gdnc" not in line])

    def test_an_opener_that_leaves_a_program_running(self):
        # xdg-open starts something that runs on (with the stand-in's output)
        # and exits 0 at once: "Complete the WCH Installation" follows at
        # once, and "Close" ends the run.
        installer = Reply(script='date +%s.%N > "$ASSISTANT_STATE/opened-at"; sleep 30 &')
        with s.BundleCopy(s.test_program()) as bundle, s.mac(installer=installer) as machine:
            ended_at = machine.state_path("ended-at")
            result = machine.run(["sh", "-c", '"$@"; status=$?; date +%s.%N > "$0"; exit $status', ended_at,
                                  bundle.executable], input=b"1\n2\n", env=harness.plain_environment())
            self.assertEqual(result.stdout.decode(),
                             s.driver_required().terminal_text() + s.COMPLETE_INSTALLATION.terminal_text(),
                             result.stderr[-2000:])
            with open(machine.state_path("opened-at")) as f:
                opened = float(f.read())
            with open(ended_at) as f:
                ended = float(f.read())
            self.assertLess(ended - opened, 2)


if __name__ == "__main__":
    harness.main()
