"""The alerts in another language on a private X server, as a user sees
them: a Chinese and a German "Driver Required", read back from a screenshot
with tesseract's data for that language (a character the font cannot draw
shows as "?" or a box and does not read back), then closed with Escape,
which the second button ("Cancel" translated) must take. And the support
record of an alert shown so: it names the alert and the button in English."""

import os
import subprocess
import unittest

import harness
import screen
from sandbox import Machine, Reply, stop


class GuiLanguages(unittest.TestCase):
    cases = [
        # LANGUAGE, tesseract's language, the title, words of the message and the second button
        ("zh_CN", "chi_sim", "需要驱动程序", ["环境", "所需的WCH驱动程序尚未安装", "要现在安装吗", "取消"]),
        ("de", "deu", "Treiber erforderlich", ["Umgebung:", "WCH-Treiber ist nicht installiert.", "Abbrechen"]),
    ]

    def test_driver_required_reads_in_the_language_and_escape_cancels(self):
        for language, data, title, words in self.cases:
            with self.subTest(language):
                shots = harness.output_dir("gui_languages", language)
                with harness.Xvfb() as x:
                    with harness.gui_program(x, [], os.path.join(shots, "program.log"), LANGUAGE=language) as process:
                        alert = screen.next_alert(x, process, shots, 1, language=data)
                        # tesseract sets Chinese characters apart with blanks.
                        glue = "" if data == "chi_sim" else " "
                        lines = [glue.join(line.text.split()) for line in alert.lines]
                        read = glue.join(lines)
                        why = "screenshot: %s; it reads:\n%s" % (alert.image, alert.text())
                        # The icon may read as a sign or two before the headline.
                        self.assertIn(title, lines, why)
                        for word in words:
                            self.assertIn(word, read, why)
                        screen.press_escape(x, alert)
                        screen.wait_closed(x, alert, process)
                        self.assertEqual(process.wait(timeout=15), 0)
                    self.assertEqual(screen.alert_windows(x), [])

    def test_the_record_names_a_shown_alert_in_english(self):
        # A Mac without the driver, with a system log of its own.
        machine = Machine({"systemextensionsctl": Reply(b"0 extension(s)\n"),
                           "pkgutil --pkg-info": Reply(stderr=b"No receipt found.\n", status=1)}, log=True)
        shots = harness.output_dir("gui_languages", "record")
        with machine, harness.Xvfb() as x, open(os.path.join(shots, "program.log"), "wb") as log:
            process = machine.popen([harness.app_path()], env=x.env(LANGUAGE="de"), stdin=subprocess.DEVNULL,
                                    stdout=log, stderr=log)
            try:
                alert = screen.next_alert(x, process, shots, 1, language="deu")
                self.assertIsNotNone(alert, "no alert (%s)" % shots)
                screen.press_escape(x, alert)
                screen.wait_closed(x, alert, process)
                self.assertEqual(process.wait(timeout=15), 0)
            finally:
                stop(process)
            records = [r.message for r in machine.log_records()]
        self.assertTrue(records and records[0].endswith('language "de"'), records)
        self.assertIn('flow: alert "Driver Required": "Cancel"', records)


if __name__ == "__main__":
    harness.main()
