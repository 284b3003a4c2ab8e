"""The AppKit alert for real: normal mode on a private X server.

Nothing is installed on this machine, so the first alert is "Driver
Required"; "Cancel" must end the program with status 0 after that one alert.
"""

import os
import unittest

import alerts
import harness


class GuiAlert(unittest.TestCase):
    def test_cancel_at_driver_required_ends_after_one_alert(self):
        shots = harness.output_dir("gui_alert")
        with harness.Xvfb() as x:
            with alerts.program(x, [], os.path.join(shots, "program.log")) as process:
                shown = []
                for window in alerts.watch_alerts(x, process, timeout=30):
                    shown.append(window)
                    first = len(shown) == 1
                    # Any later alert is a fault; its picture shows which one.
                    image = alerts.screenshot(x, window, os.path.join(shots, "alert-%d.png" % len(shown)),
                                              showing=("Driver Required", "Environment:", "Cancel") if first else ())
                    if first:
                        alerts.press(x, window, image, "Cancel")
                status = process.wait(timeout=15)
            self.assertEqual(len(shown), 1, "alerts shown: %d (screenshots in %s)" % (len(shown), shots))
            self.assertEqual(status, 0)
            self.assertEqual(alerts.alert_windows(x), [])


if __name__ == "__main__":
    harness.main()
