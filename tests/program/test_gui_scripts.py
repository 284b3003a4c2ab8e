"""The alerts in scripts the default font lacks or tesseract reads apart
from Latin, on a private X server: a Korean (Hangul, in the font
prepareAlertFonts picks), a Russian (Cyrillic) and a Thai (in its own font)
"Driver Required", read back from a screenshot with tesseract's data for the
language. The title and the button are the bundle's own table's, never
written out here: a character the font cannot draw shows as "?" or a box and
does not read back."""

import os
import unittest

import harness
import screen
from bundles import text_table


def joined(text):
    # tesseract sets Hangul syllables and Thai letters apart with blanks, and
    # a Thai mark as a word of its own: compared without any blank.
    return "".join(text.split())


class GuiScripts(unittest.TestCase):
    cases = [
        # LANGUAGE, the table's folder, tesseract's language
        ("ko", "ko", "kor"),
        ("ru", "ru", "rus"),
        ("th", "th", "tha"),
    ]

    def test_driver_required_reads_back_in_its_script(self):
        for language, folder, data in self.cases:
            with self.subTest(language):
                path = os.path.join(os.path.dirname(harness.app_path()), "Resources", folder + ".lproj")
                self.assertTrue(os.path.isdir(path), "the bundle has no table %s (resources/%s.lproj)" % (path, folder))
                table = text_table(harness.app_path(), folder)
                self.assertEqual(table["language"], folder)
                shots = harness.output_dir("gui_scripts", language)
                with harness.Xvfb() as x:
                    with harness.gui_program(x, [], os.path.join(shots, "program.log"), LANGUAGE=language) as process:
                        alert = screen.next_alert(x, process, shots, 1, language=data)
                        lines = [joined(line.text) for line in alert.lines]
                        why = "screenshot: %s; it reads:\n%s" % (alert.image, alert.text())
                        # The icon may read as a sign or two before the headline.
                        self.assertIn(joined(table["driverRequired.title"]), lines, why)
                        self.assertIn(joined(table["button.cancel"]), "".join(lines), why)
                        screen.press_escape(x, alert)
                        screen.wait_closed(x, alert, process)
                        self.assertEqual(process.wait(timeout=15), 0)
                    self.assertEqual(screen.alert_windows(x), [])


if __name__ == "__main__":
    harness.main()
