"""scripts/gallery's renderer (tests/support/gallery.py) for two languages
and a few alerts into a folder of the build: the index names every alert of
each language, each image is there and shows something, the macOS group's
place changes what the alert shows, and a language the bundle lacks is a
usage error. scripts/gallery itself, the wrapper that sets up and builds
first, passes shellcheck."""

import os
import re
import shutil
import subprocess
import sys
import unittest

import harness

HERE = os.path.dirname(os.path.abspath(__file__))
RENDERER = os.path.join(HERE, os.pardir, "support", "gallery.py")
WRAPPER = os.path.join(HERE, os.pardir, os.pardir, "scripts", "gallery")

LANGUAGES = ["de", "ja"]
ALERTS = ["approval-or-restart-required-macos11", "approval-or-restart-required-macos13",
          "unable-to-continue-package-missing"]


def gallery(*arguments, timeout=150):
    return subprocess.run([sys.executable, "-B", RENDERER] + list(arguments), capture_output=True, text=True,
                          timeout=timeout)


def image_facts(path):
    """Width, height and the standard deviation of the gray levels (0 for one colour)."""
    out = subprocess.run(["convert", path, "-colorspace", "gray", "-format", "%w %h %[fx:standard_deviation]",
                          "info:"], capture_output=True, text=True, check=True).stdout.split()
    return int(out[0]), int(out[1]), float(out[2])


class Gallery(unittest.TestCase):
    def test_two_languages_some_alerts(self):
        if os.geteuid() != 0:
            harness.cannot_run_here("the gallery's simulated Mac needs root")
        out = harness.output_dir("gallery")
        shutil.rmtree(out)
        result = gallery("--out", out, "--alerts", ",".join(ALERTS), *LANGUAGES)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("[ja %d/%d] %s" % (len(ALERTS), len(ALERTS), ALERTS[-1]), result.stdout)
        with open(os.path.join(out, "index.html"), encoding="utf-8") as f:
            index = f.read()
        self.assertNotIn('class="problem"', index)
        for language in LANGUAGES:
            with self.subTest(language):
                section = re.search(r'<section id="%s">(.*?)</section>' % language, index, re.S)
                self.assertIsNotNone(section, index)
                self.assertEqual(re.findall(r'<img src="([^"]+)"', section.group(1)),
                                 ["%s/%s.png" % (language, alert) for alert in ALERTS])
                for alert in ALERTS:
                    width, height, spread = image_facts(os.path.join(out, language, alert + ".png"))
                    self.assertGreater(width, 200, alert)
                    self.assertGreater(height, 80, alert)
                    self.assertGreater(spread, 0.05, "%s/%s.png is blank" % (language, alert))
                # Each group's place is its own, so the two pictures differ.
                with open(os.path.join(out, language, ALERTS[0] + ".png"), "rb") as older, \
                        open(os.path.join(out, language, ALERTS[1] + ".png"), "rb") as newer:
                    self.assertNotEqual(older.read(), newer.read())
        self.assertEqual(sorted(os.listdir(out)), sorted(LANGUAGES + ["index.html"]), "work files left")

    def test_a_language_the_bundle_lacks_is_a_usage_error(self):
        result = gallery("--out", harness.output_dir("gallery-unknown"), "xx-unknown", timeout=30)
        self.assertEqual(result.returncode, 2)
        self.assertIn("no table for xx-unknown", result.stderr)

    def test_the_wrapper_passes_shellcheck(self):
        self.assertIsNotNone(shutil.which("shellcheck"), "scripts/setup installs shellcheck")
        result = subprocess.run(["shellcheck", WRAPPER], capture_output=True, text=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)


if __name__ == "__main__":
    harness.main()
