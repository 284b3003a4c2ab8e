"""The AppKit alert for real: normal mode on a private X server.

Nothing is installed on this machine, so the first alert is "Driver
Required"; "Cancel" must end the program with status 0 after that one alert.
The alert shows the application's own icon, as on a Mac, not GNUstep's.
"""

import os
import unittest

import harness
import screen


class GuiAlert(unittest.TestCase):
    def test_cancel_at_driver_required_ends_after_one_alert(self):
        shots = harness.output_dir("gui_alert")
        with harness.Xvfb() as x:
            with harness.gui_program(x, [], os.path.join(shots, "program.log")) as process:
                shown = []
                while True:
                    alert = screen.next_alert(x, process, shots, len(shown) + 1)
                    if alert is None:
                        break
                    shown.append(alert)
                    # Any later alert is a fault; its picture shows which one.
                    self.assertEqual(len(shown), 1, "a second alert: %r (screenshots in %s)" % (alert.title, shots))
                    self.assertEqual(alert.name, "Alert")  # GNUstep's name for a warning
                    self.assertEqual(alert.title.casefold(), "driver required")
                    self.assertIn("Environment:", alert.text())
                    # The icon's main colour (its tile) fills a good part of
                    # the icon's corner; GNUstep's own icon is black and white.
                    icon = os.path.join(os.path.dirname(harness.app_path()), "Resources", "DriverAssistant.png")
                    share = screen.share_of_color(alert.image, alert.icon_box(), screen.main_color(icon))
                    self.assertGreater(share, 0.15, "the alert does not show the app's icon (%s)" % alert.image)
                    alert.press("Cancel")
                    screen.wait_closed(x, alert, process)
                status = process.wait(timeout=15)
            self.assertEqual(len(shown), 1, "alerts shown: %d (screenshots in %s)" % (len(shown), shots))
            self.assertEqual(status, 0)
            self.assertEqual(screen.alert_windows(x), [], "the program left a window on screen")


if __name__ == "__main__":
    harness.main()
