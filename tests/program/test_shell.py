"""The built program's shell: mode choice, self-check, normal-mode launch."""

import os
import subprocess
import time
import unittest

import alerts
import harness


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


class NormalMode(unittest.TestCase):
    def test_without_a_display_exits_0(self):
        for env in (harness.plain_environment(), harness.plain_environment(DISPLAY=":99999")):
            result = subprocess.run([harness.app_path()], env=env, stdin=subprocess.DEVNULL,
                                    capture_output=True, timeout=30)
            self.assertEqual(result.returncode, 0, result.stderr)

    def test_with_a_display_asks_and_exits_0_after_the_last_button(self):
        # Arguments other than the switch are ignored, also ones GNUstep would
        # take for documents to open.
        with harness.Xvfb() as x, open(os.path.join(harness.output_dir("shell"), "gui.log"), "wb") as log:
            started = time.monotonic()
            process = subprocess.Popen(
                harness.contained([harness.app_path(), "ignored", "--self-check=no"]), env=x.env(),
                stdin=subprocess.DEVNULL, stdout=log, stderr=log)
            try:
                window = next(alerts.watch_alerts(x, process, timeout=30), None)
                self.assertIsNotNone(window, "no alert came up")
                # The last button takes no action and ends the assistant.
                image = alerts.screenshot(x, window, os.path.join(harness.output_dir("shell"), "first-alert.png"))
                alerts.press(x, window, image, "Cancel")
                status = process.wait(timeout=15)
            finally:
                if process.poll() is None:
                    process.kill()
                    process.wait()
            self.assertEqual(status, 0)
            self.assertLess(time.monotonic() - started, 30)
            self.assertEqual(x.windows(), [], "the program left a window on screen")


if __name__ == "__main__":
    harness.main()
