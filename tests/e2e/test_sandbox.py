"""The simulated Mac itself: the other end-to-end tests are only as good as
its stand-ins, its /dev and its call log."""

import os
import subprocess
import sys
import unittest

import harness
from sandbox import STANDINS, Machine, Reply


def shell(machine, script, **kwargs):
    return machine.run(["sh", "-c", script], **kwargs)


class SimulatedMac(unittest.TestCase):
    def test_stand_ins_reply_and_log_their_exact_arguments(self):
        big = bytes(range(256)) * (3 * 2**20 // 256)  # several MiB, every byte value
        machine = Machine({"systemextensionsctl": Reply(big, 3, b"to stderr\n"),
                           "pkgutil --pkg-info": Reply(b"receipt\n", 0),
                           "pkgutil": Reply(b"other use\n", 4)})
        with machine:
            result = shell(machine, "systemextensionsctl list 2>/dev/null; echo \" $?\"; "
                                    "systemextensionsctl 2>&1 >/dev/null; pkgutil --pkg-info; echo \" $?\"; "
                                    "pkgutil --check-signature '' ''; echo \" $?\"; spctl -a")
            self.assertEqual(result.stdout, big + b" 3\nto stderr\nreceipt\n 0\nother use\n 4\n")
            self.assertEqual(result.stderr, b'sandbox: no reply for ["/usr/sbin/spctl", "-a"]\n')
            self.assertEqual(result.returncode, 99)
            self.assertEqual(machine.calls(), [
                ["/usr/bin/systemextensionsctl", "list"], ["/usr/bin/systemextensionsctl"],
                ["/usr/sbin/pkgutil", "--pkg-info"], ["/usr/sbin/pkgutil", "--check-signature", "", ""],
                ["/usr/sbin/spctl", "-a"]])

        with Machine({"xdg-open": Reply()}) as machine:
            odd = b"a b\n\"\\\xff\xc3"  # space, line feed, quote, backslash, invalid UTF-8
            machine.run(["/usr/bin/xdg-open", odd.decode(errors="surrogateescape")])
            self.assertEqual([os.fsencode(a) for a in machine.calls()[0]], [b"/usr/bin/xdg-open", odd])

    def test_a_reply_script_runs_first_with_the_tools_arguments(self):
        script = 'printf "%s|" "$0" "$@" > "$ASSISTANT_STATE/seen"; echo from-script'
        with Machine({"spctl": Reply(b"reply\n", 3, script=script)}) as machine:
            result = shell(machine, "spctl -a 'b c'; echo \" $?\"")
            self.assertEqual(result.stdout, b"from-script\nreply\n 3\n")
            with open(machine.state_path("seen"), "rb") as f:
                self.assertEqual(f.read(), b"spctl|-a|b c|")

    def test_an_absent_tool_cannot_be_started(self):
        with Machine({"spctl": Reply()}, absent=["pkgutil"]) as machine:
            result = shell(machine, "test -e /usr/sbin/pkgutil || echo absent; /usr/sbin/spctl && echo present")
            self.assertEqual(result.stdout, b"absent\npresent\n")

    def test_opening_the_installer_changes_the_machine(self):
        for name, status, changed in (("installer opens", 0, True), ("installer fails", 3, False)):
            with self.subTest(name), Machine({"systemextensionsctl": Reply(b"before\n"), "xdg-open": Reply(status=status),
                                              "spctl": Reply(b"same\n")},
                                             after_open={"systemextensionsctl": Reply(b"after\n")}) as machine:
                result = shell(machine, "systemextensionsctl; spctl; xdg-open x; systemextensionsctl; spctl")
                self.assertEqual(result.stdout, b"before\nsame\n" + (b"after\n" if changed else b"before\n") + b"same\n")

    def test_dev_shows_the_scenarios_names(self):
        with Machine({}, dev=["cu.wchusbserial1420", "tty.Bluetooth"]) as machine:
            result = shell(machine, "ls -A /dev; test -c /dev/cu.wchusbserial1420 && echo node; echo x > /dev/null")
            names = result.stdout.decode().split()
            self.assertEqual(names[-1], "node")
            self.assertEqual(sorted(set(names[:-1]) - {"null", "zero", "full", "random", "urandom", "tty", "fd",
                                                      "stdin", "stdout", "stderr", "pts", "shm"}),
                             ["cu.wchusbserial1420", "tty.Bluetooth"])
        with Machine({}, dev=[]) as machine:
            self.assertNotIn(b"cu.", shell(machine, "ls -A /dev").stdout)

    def test_a_system_log_of_its_own(self):
        # More records than a datagram socket queues (10 here): the test's
        # reader must keep up while the program writes.
        writer = ("import syslog; syslog.openlog('probe', syslog.LOG_PID, syslog.LOG_USER)\n"
                  "for i in range(40): syslog.syslog(syslog.LOG_NOTICE, 'record %d' % i)\n")
        for name, dev in (("machine's /dev", None), ("private /dev", ["cu.wchusbserial1"])):
            with self.subTest(name), Machine({}, dev=dev, log=True) as machine:
                result = machine.run([sys.executable, "-c", writer + "import os; print(os.path.exists('/dev/log'))"])
                self.assertEqual((result.returncode, result.stdout, result.stderr), (0, b"True\n", b""))
                records = machine.log_records()
                self.assertEqual([r.message for r in records], ["record %d" % i for i in range(40)])
                self.assertEqual({(r.ident, r.facility, r.severity) for r in records}, {("probe", 1, 5)})
        with Machine({}, dev=[]) as machine:
            self.assertEqual(shell(machine, "test -e /dev/log || echo none").stdout, b"none\n")

    def test_nothing_outside_changes_and_nothing_outlives_it(self):
        marker = "assistant-sandbox-sleeper-%d" % os.getpid()
        with Machine({}, dev=["cu.wchusbserial1"]) as machine:
            # A daemon that leaves its session, like GNUstep's gdnc.
            result = shell(machine, "setsid sh -c 'sleep 600; : %s' & sleep 0.2; pgrep -f %s >/dev/null && echo alive; "
                                    "ls /usr/bin/spctl /usr/sbin/spctl 2>&1" % (marker, marker))
            self.assertIn(b"alive", result.stdout)
            self.assertIn(b"/usr/sbin/spctl", result.stdout)
            with self.assertRaises(subprocess.TimeoutExpired):
                shell(machine, "sleep 600", timeout=0.5)
        for path in STANDINS + ("/dev/cu.wchusbserial1",):
            self.assertFalse(os.path.exists(path), path)
        left = subprocess.run(["pgrep", "-f", marker], capture_output=True, text=True).stdout
        self.assertEqual(left, "", "processes outlived the simulated Mac")


if __name__ == "__main__":
    harness.main()
