"""The assistant with its real AppKit alerts on a private X server: the
buttons are pressed with the mouse, every alert is kept as a screenshot in
the test output folder (e2e_gui/<path>/alert-N.png), and the alerts' titles
are read back from the screen to check the sequence."""

import os
import subprocess
import unittest

import harness
import scenario as s
import screen
from sandbox import stop
from scenario import Reply

WINDOW_NAMES = {"warning": "Alert", "informational": "Information", "critical": "Critical"}


class GuiPaths(unittest.TestCase):
    def assertGuiRun(self, name, machine, program, presses, alerts, calls, records=None):
        """Runs `program` on `machine` under Xvfb, answers its alerts with
        `presses` in turn, and checks the alerts' titles read from the screen
        and their styles ((title, style) pairs), the exit status and the tools
        that ran, and, given `records`, the messages of the machine's system
        log that are not tool runs. Returns the alerts as read."""
        folder = harness.output_dir("e2e_gui", name)
        for old in os.listdir(folder):
            os.unlink(os.path.join(folder, old))
        shown = []
        with machine, harness.Xvfb() as x, open(os.path.join(folder, "program.log"), "wb") as log:
            # Output goes to a file: GNUstep's helper daemons would hold a pipe open.
            process = machine.popen([program], env=x.env(), stdin=subprocess.DEVNULL, stdout=log, stderr=log)
            try:
                while True:
                    alert = screen.next_alert(x, process, folder, len(shown) + 1)
                    if alert is None:
                        break
                    shown.append(alert)
                    self.assertLessEqual(len(shown), len(presses),
                                         "one alert too many, %r (screenshots in %s)" % (alert.title, folder))
                    alert.press(presses[len(shown) - 1])
                    screen.wait_closed(x, alert, process)
                status = process.wait(timeout=20)
            finally:
                stop(process)
            # Tesseract reads this font's capital I now and then as a small i;
            # the exact texts are checked by the terminal tests. GNUstep names
            # the window by the alert's style.
            self.assertEqual([(a.title.casefold(), a.name) for a in shown],
                             [(title.casefold(), WINDOW_NAMES[style]) for title, style in alerts],
                             "screenshots in " + folder)
            self.assertEqual(status, 0)
            self.assertEqual(machine.calls(), calls)
            if records is not None:
                self.assertEqual([r.message for r in machine.log_records() if ": run " not in r.message], records)
        return shown

    def test_install_path(self):
        copy = s.PrivateCopy()
        with s.BundleCopy(s.test_program()) as bundle:
            self.assertGuiRun(
                "install", s.mac(after_open=s.ENABLED), bundle.executable, ["Install Driver", "Recheck", "OK"],
                [("Driver Required", "warning"), ("Complete the WCH Installation", "informational"),
                 ("Installation Complete", "informational")],
                s.DRIVER_STATE + s.verification(copy) + s.opening(copy) + s.DRIVER_STATE)

    def test_refused_package(self):
        with s.BundleCopy(s.test_program()) as bundle:
            shown = self.assertGuiRun(
                "refused", s.mac(assessment=Reply(b"rejected\n", 3)), bundle.executable, ["Install Driver", "OK"],
                [("Driver Required", "warning"), ("Unable to Continue", "critical")],
                s.DRIVER_STATE + s.verification(s.PrivateCopy()))
            self.assertIn("trusted installer", " ".join(shown[-1].text().split()))

    def test_record_of_a_declined_offer(self):
        # The alert's answer and the end, written before the application
        # terminates.
        self.assertGuiRun(
            "declined", s.mac(log=True), s.test_program(), ["Cancel"], [("Driver Required", "warning")],
            s.DRIVER_STATE,
            records=["app: start: normal mode, version 1.0, OS \"%s\", language \"en\"" % os.uname().release,
                     "state: driver state: notInstalled, no receipt, driver not listed",
                     'flow: alert "Driver Required": "Cancel"', "app: end: exit status 0"])


if __name__ == "__main__":
    harness.main()
