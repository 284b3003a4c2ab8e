"""scripts/release-mac against stand-ins for Apple's tools (see
apple_tool_standin.py) put first on PATH, with a small fake app bundle whose
DriverAssistant is a script answering the self-check.

Environment: ASSISTANT_SOURCE (the source tree), ASSISTANT_TEST_OUTPUT (where
the cases' folders go).
"""

import hashlib
import json
import os
import plistlib
import re
import shutil
import subprocess
import unittest

SOURCE = os.environ["ASSISTANT_SOURCE"]
SCRIPT = os.path.join(SOURCE, "scripts", "release-mac")
STANDIN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "apple_tool_standin.py")
TOOLS = ["codesign", "xcrun", "hdiutil", "ditto", "spctl", "plutil"]
IDENTITY = "Developer ID Application: ORVENTA Test (TEAM123456)"
PROFILE = ["--keychain-profile", "orventa-notary"]
KEY = ["--key", "KEYS/AuthKey_ABC123.p8", "--key-id", "ABC123", "--issuer", "69a6de7e-0000-47e3-e053-5b8c7c11a4d1"]

APP = "IN/DriverAssistant.app"
SIGNED = "WORK/image/DriverAssistant.app"
IMAGE = "WORK/DriverAssistant-1.0.dmg"
SUBMISSION = "2efe2717-52ef-43a5-96dc-0797e4ca1041"


def whole_path(credentials):
    """Every call of a release that succeeds, in order."""
    return [
        ["plutil", "-extract", "CFBundleShortVersionString", "raw", "-o", "-", APP + "/Contents/Info.plist"],
        ["DriverAssistant", "--self-check"],
        ["ditto", APP, SIGNED],
        ["codesign", "--force", "--options", "runtime", "--timestamp", "--sign", IDENTITY, SIGNED],
        ["codesign", "--verify", "--strict", "--verbose=2", SIGNED],
        ["ditto", "-c", "-k", "--keepParent", SIGNED, "WORK/DriverAssistant.zip"],
        ["xcrun", "notarytool", "submit", "WORK/DriverAssistant.zip", "--wait", *credentials, "--output-format", "json"],
        ["xcrun", "stapler", "staple", SIGNED],
        ["hdiutil", "create", "-volname", "ORVENTA Driver Assistant", "-srcfolder", "WORK/image", "-format", "UDZO",
         IMAGE, ["Applications -> /Applications", "DriverAssistant.app/"]],
        ["codesign", "--timestamp", "--sign", IDENTITY, IMAGE],
        ["xcrun", "notarytool", "submit", IMAGE, "--wait", *credentials, "--output-format", "json"],
        ["xcrun", "stapler", "staple", IMAGE],
        ["xcrun", "stapler", "validate", SIGNED],
        ["xcrun", "stapler", "validate", IMAGE],
        ["spctl", "-a", "-vv", "-t", "exec", SIGNED],
        ["spctl", "-a", "-vv", "-t", "open", "--context", "context:primary-signature", IMAGE],
    ]


FULL = whole_path(PROFILE)
LOG = [["xcrun", "notarytool", "log", SUBMISSION, *PROFILE]]

# name, environment changes (None removes), tools left off PATH, what else
# changes in the app, exit status, what standard error says, the calls made
CASES = [
    ("whole path with a keychain profile", {}, [], None, 0, None, FULL),
    ("whole path with an App Store Connect key",
     {"NOTARY_KEYCHAIN_PROFILE": None, "NOTARY_KEY_PATH": "KEYS/AuthKey_ABC123.p8", "NOTARY_KEY_ID": "ABC123",
      "NOTARY_ISSUER_ID": "69a6de7e-0000-47e3-e053-5b8c7c11a4d1"}, [], None, 0, None, whole_path(KEY)),
    ("notary finds the app invalid", {"STANDIN_NOTARY_INVALID": "zip"}, [], None, 1,
     'notarization of DriverAssistant.zip ended with status "Invalid"', FULL[:7] + LOG),
    ("notary finds the image invalid", {"STANDIN_NOTARY_INVALID": "dmg"}, [], None, 1,
     'notarization of DriverAssistant-1.0.dmg ended with status "Invalid"', FULL[:11] + LOG),
    ("stapler finds no ticket on the image", {"STANDIN_VALIDATE_FAILS": "dmg"}, [], None, 1,
     "this step failed (exit status 65): xcrun stapler validate", FULL[:14]),
    ("self-check fails", {"FAKE_SELF_CHECK_STATUS": "1"}, [], None, 1,
     "the app's self-check failed (exit status 1)", FULL[:2]),
    ("no signing identity", {"DEVELOPER_ID_APPLICATION": None}, [], None, 1,
     "DEVELOPER_ID_APPLICATION is not set", []),
    ("part of an App Store Connect key", {"NOTARY_KEYCHAIN_PROFILE": None, "NOTARY_KEY_ID": "ABC123"}, [], None, 1,
     "NOTARY_KEY_PATH is not set", []),
    ("no spctl", {}, ["spctl"], None, 1, "spctl is not on PATH", []),
    ("no vendor package in the app", {}, [], "Contents/Resources/CH34xVCPDriver.pkg", 1,
     "carries no vendor package", []),
]


def fake_app(folder):
    app = os.path.join(folder, "DriverAssistant.app")
    for sub in ("MacOS", "Resources"):
        os.makedirs(os.path.join(app, "Contents", sub))
    with open(os.path.join(app, "Contents", "Info.plist"), "wb") as f:
        plistlib.dump({"CFBundleExecutable": "DriverAssistant", "CFBundleShortVersionString": "1.0"}, f)
    with open(os.path.join(app, "Contents", "Resources", "CH34xVCPDriver.pkg"), "wb") as f:
        f.write(b"stands in for the vendor's package\n")
    executable = os.path.join(app, "Contents", "MacOS", "DriverAssistant")
    with open(executable, "w") as f:
        f.write("#!/bin/sh\n"
                "printf '[\"DriverAssistant\", \"%s\"]\\n' \"$*\" >>\"$STANDIN_LOG\"\n"
                "[ \"$1\" = --self-check ] || exit 2\n"
                "[ \"${FAKE_SELF_CHECK_STATUS:-0}\" = 0 ] ||"
                " echo 'The package does not have the expected SHA-256 digest.' >&2\n"
                "exit \"${FAKE_SELF_CHECK_STATUS:-0}\"\n")
    os.chmod(executable, 0o755)
    return app


class ReleaseMac(unittest.TestCase):
    def setUp(self):
        self.root = os.path.join(os.environ["ASSISTANT_TEST_OUTPUT"], "release-mac")
        shutil.rmtree(self.root, ignore_errors=True)

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def run_case(self, folder, environment, missing, remove):
        paths = {name: os.path.join(folder, name) for name in ("in", "out", "bin", "tmp", "keys")}
        for name in ("in", "bin", "tmp", "keys"):
            os.makedirs(paths[name])
        app = fake_app(paths["in"])
        if remove:
            os.remove(os.path.join(app, remove))
        open(os.path.join(paths["keys"], "AuthKey_ABC123.p8"), "w").close()
        for tool in TOOLS:
            if tool not in missing:
                os.symlink(STANDIN, os.path.join(paths["bin"], tool))
        log = os.path.join(folder, "calls.jsonl")
        env = {"PATH": paths["bin"] + ":/usr/bin:/bin", "TMPDIR": paths["tmp"], "STANDIN_LOG": log,
               "DEVELOPER_ID_APPLICATION": IDENTITY, "NOTARY_KEYCHAIN_PROFILE": "orventa-notary"}
        for key, value in environment.items():
            if value is None:
                env.pop(key, None)
            else:
                env[key] = value.replace("KEYS", paths["keys"])
        run = subprocess.run([SCRIPT, "--app", app, "--out", paths["out"]], env=env, capture_output=True,
                             text=True, timeout=60)
        calls = []
        if os.path.exists(log):
            with open(log) as f:
                text = f.read()
            # Paths in the calls, as the table writes them.
            text = re.sub(re.escape(paths["tmp"]) + r"/release-mac\.\w+", "WORK", text)
            for name, path in paths.items():
                text = text.replace(path, name.upper())
            calls = [json.loads(line) for line in text.splitlines()]
        return run, calls, paths, app

    def test_cases(self):
        for number, (name, environment, missing, remove, status, says, expected_calls) in enumerate(CASES):
            with self.subTest(name):
                folder = os.path.join(self.root, str(number))
                run, calls, paths, app = self.run_case(folder, environment, missing, remove)
                output = run.stdout + run.stderr
                self.assertEqual(run.returncode, status, output)
                self.assertEqual(calls, expected_calls, output)
                self.assertFalse(any("--deep" in call for call in calls))
                self.assertEqual(os.listdir(paths["tmp"]), [], "the private folder is removed")
                self.assertFalse(os.path.exists(os.path.join(app, "Contents", "_CodeSignature")),
                                 "the given app is not signed in place")
                if status == 0:
                    self.assertEqual(sorted(os.listdir(paths["out"])),
                                     ["DriverAssistant-1.0.dmg", "DriverAssistant-1.0.dmg.sha256"])
                    with open(os.path.join(paths["out"], "DriverAssistant-1.0.dmg"), "rb") as f:
                        digest = hashlib.sha256(f.read()).hexdigest()
                    with open(os.path.join(paths["out"], "DriverAssistant-1.0.dmg.sha256")) as f:
                        self.assertEqual(f.read(), digest + "  DriverAssistant-1.0.dmg\n")
                    continue
                self.assertIn(says, run.stderr)
                self.assertEqual(os.listdir(paths["out"]) if os.path.exists(paths["out"]) else [], [],
                                 "no image after a failure")
                last = run.stderr.rstrip("\n").splitlines()[-1]
                self.assertTrue(last.startswith("release-mac: "), run.stderr)
                if not calls:
                    self.assertEqual(run.stderr, last + "\n", "a refusal is one line")
                if expected_calls[-1:] == LOG:
                    self.assertIn("The signature of the binary is invalid.", run.stderr, "the notary's log is shown")

    def test_shellcheck_clean(self):
        self.assertIsNotNone(shutil.which("shellcheck"), "scripts/setup installs shellcheck")
        run = subprocess.run(["shellcheck", SCRIPT], capture_output=True, text=True, timeout=60)
        self.assertEqual(run.returncode, 0, run.stdout)


if __name__ == "__main__":
    unittest.main()
