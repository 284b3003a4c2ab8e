"""Every CTest test of this build has a time-out of its own, so that a hang
fails within minutes instead of after CTest's default of 1500 s: unit tests
a minute at most, the other tests (the built program, the Mac check) five
minutes at most."""

import json
import os
import subprocess
import unittest

import harness

UNIT_MOST = 60
PROGRAM_MOST = 300


class CTestTimeouts(unittest.TestCase):
    def test_every_test_has_a_timeout(self):
        listed = subprocess.run(["ctest", "--test-dir", os.environ["ASSISTANT_BUILD"], "--show-only=json-v1"],
                                capture_output=True, check=True, timeout=60)
        tests = json.loads(listed.stdout)["tests"]
        self.assertGreater(len(tests), 20, "the GoogleTest cases are listed one by one")
        for test in tests:
            properties = {p["name"]: p["value"] for p in test.get("properties", [])}
            with self.subTest(test["name"]):
                self.assertIn("TIMEOUT", properties)
                most = UNIT_MOST if "unit" in properties.get("LABELS", []) else PROGRAM_MOST
                self.assertLessEqual(float(properties["TIMEOUT"]), most)
                self.assertGreater(float(properties["TIMEOUT"]), 0)


if __name__ == "__main__":
    harness.main()
