"""The built program's shell: mode choice, self-check, normal-mode launch."""

import os
import subprocess
import time
import unittest

import harness
import screen


class SelfCheck(unittest.TestCase):
    def test_classification_rules_hold(self):
        # The package step has its own tests; here only the shell's own part.
        result = subprocess.run([harness.app_path(), "--self-check"], env=harness.plain_environment(),
                                capture_output=True, timeout=30)
        self.assertEqual(result.stdout, b"")
        if result.returncode != 0:
            # A build without the vendor package fails in the package step,
            # which says so on standard error and nowhere else.
            self.assertEqual(result.stderr, b"The embedded WCH driver package is missing.\n")


class BadInput(unittest.TestCase):
    """Arguments and environment of any content start the program normally:
    the values of defaults pairs, the only free text the system passes an
    application, may hold anything."""

    CASES = [
        ("empty argument", [b"-Key", b""], {}),
        ("ill-formed UTF-8 argument", [b"-Key", b"\xff\xfe", b"-Other", b"caf\xe9"], {}),
        ("very long argument", [b"-Key", b"x" * 100000], {}),
        ("ill-formed UTF-8 environment value", [], {b"ASSISTANT_ODD": b"\xc0\xaf"}),
        ("ill-formed UTF-8 environment name", [], {b"ODD\xff": b"1"}),
    ]

    def run_program(self, arguments, extra_env, stdin=b""):
        env = {k.encode(): v.encode() for k, v in harness.plain_environment().items()}
        env.update(extra_env)
        return subprocess.run([harness.app_path().encode()] + arguments, env=env, input=stdin,
                              capture_output=True, timeout=30)

    def test_self_check(self):
        expected = self.run_program([b"--self-check"], {})
        for name, arguments, extra_env in self.CASES:
            for order in (arguments + [b"--self-check"], [b"--self-check"] + arguments):
                result = self.run_program(order, extra_env)
                self.assertEqual((result.returncode, result.stdout, result.stderr),
                                 (expected.returncode, expected.stdout, expected.stderr), name)

    def test_normal_mode_in_the_terminal(self):
        for name, arguments, extra_env in self.CASES:
            result = self.run_program(arguments, extra_env)
            self.assertEqual(result.returncode, 0, "%s: %r" % (name, result.stderr[-300:]))
            self.assertTrue(result.stdout.startswith(b"Driver Required\nEnvironment: "), name)


    def test_a_restart_that_cannot_be_made_is_no_answer(self):
        # Each ill-formed byte becomes three once repaired: past the kernel's
        # limit for one argument, so the new start fails. No mode may then
        # end with a status that reads as its answer.
        limit = os.sysconf("SC_PAGE_SIZE") * 32  # MAX_ARG_STRLEN
        oversized = [b"-Key", b"\xff" * (limit // 2)]
        for mode in ([b"--driver-state"], [b"--self-check"], []):
            with self.subTest(mode):
                result = self.run_program(oversized + mode, {})
                self.assertEqual(result.returncode, 71)
                self.assertEqual(result.stdout, b"")
                self.assertRegex(result.stderr, rb"^DriverAssistant: cannot start again with its arguments and "
                                                rb"environment as UTF-8: [^\n]+\n$")


class NormalMode(unittest.TestCase):
    def test_without_a_display_exits_0(self):
        for env in (harness.plain_environment(), harness.plain_environment(DISPLAY=":99999")):
            result = subprocess.run([harness.app_path()], env=env, stdin=subprocess.DEVNULL,
                                    capture_output=True, timeout=30)
            self.assertEqual(result.returncode, 0, result.stderr)

    def test_in_the_terminal_install_without_the_package_is_unable_to_continue(self):
        result = subprocess.run([harness.app_path()], env=harness.plain_environment(), input=b"1\n1\n",
                                capture_output=True, timeout=30)
        self.assertEqual(result.returncode, 0, result.stderr)
        out = result.stdout.decode()
        self.assertTrue(out.startswith("Driver Required\nEnvironment: "), out)
        self.assertIn("\n\nThe required WCH driver is not installed. Install it now?\n"
                      "1. Install Driver\n2. Cancel\nChoose 1-2 and press Return: \n", out)
        packaged = os.path.exists(os.path.join(os.path.dirname(harness.app_path()), "Resources", "CH34xVCPDriver.pkg"))
        if not packaged:
            self.assertTrue(out.endswith("Unable to Continue\nThe embedded WCH driver package is missing.\n"
                                         "1. OK\nPress 1 and Return: \n"), out)

    def test_with_a_display_asks_and_exits_0_after_the_last_button(self):
        # The arguments the system passes an application are the
        # application's: a process serial number and a defaults pair.
        shots = harness.output_dir("shell")
        with harness.Xvfb() as x:
            started = time.monotonic()
            with harness.gui_program(x, ["-psn_0_12345", "-NSQuitAlwaysKeepsWindows", "NO"],
                                     os.path.join(shots, "gui.log")) as process:
                alert = screen.next_alert(x, process, shots, 1)
                self.assertIsNotNone(alert, "no alert came up")
                # The last button takes no action and ends the assistant.
                alert.press("Cancel")
                status = process.wait(timeout=15)
            self.assertEqual(status, 0)
            self.assertLess(time.monotonic() - started, 30)
            self.assertEqual(x.windows(), [], "the program left a window on screen")


if __name__ == "__main__":
    harness.main()
