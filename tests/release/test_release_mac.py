"""scripts/release-mac against stand-ins for Apple's tools (see
apple_tool_standin.py) put first on PATH, with a small fake app bundle whose
DriverAssistant is a script answering the self-check.

Environment: ASSISTANT_SOURCE (the source tree), ASSISTANT_TEST_OUTPUT (where
the cases' folders go).
"""

import dataclasses
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
TOOLS = ["codesign", "xcrun", "hdiutil", "ditto", "pkgbuild", "productbuild", "pkgutil", "spctl", "plutil", "sleep"]
IDENTITY = "Developer ID Application: ORVENTA Test (TEAM123456)"
INSTALLER_IDENTITY = "Developer ID Installer: ORVENTA Test (TEAM123456)"
PROFILE = ["--keychain-profile", "orventa-notary"]
KEY = ["--key", "KEYS/AuthKey_ABC123.p8", "--key-id", "ABC123", "--issuer", "69a6de7e-0000-47e3-e053-5b8c7c11a4d1"]

APP = "IN/DriverAssistant.app"
SIGNED = "WORK/image/DriverAssistant.app"
IMAGE = "WORK/DriverAssistant-1.0.dmg"
INSTALLER = "WORK/DriverAssistant-1.0.pkg"
COMPONENT_PLIST = "WORK/package/DriverAssistant.plist"
COMPONENT = "WORK/package/DriverAssistant.pkg"
DISTRIBUTION = "WORK/package/Distribution.xml"
SUBMISSION = "2efe2717-52ef-43a5-96dc-0797e4ca1041"


PACKAGE = APP + "/Contents/Resources/CH34xVCPDriver.pkg"
MAKE_IMAGE = ["hdiutil", "create", "-volname", "ORVENTA Driver Assistant", "-srcfolder", "WORK/image", "-format",
              "UDZO", IMAGE, ["Applications -> /Applications", "DriverAssistant.app/"]]
PAUSE = ["sleep", "15"]
# What pkgbuild --analyze writes for the package's root, with the one change
# the release makes: no bundle is relocatable, so the Installer puts the app
# into /Applications even when a copy with its identifier is elsewhere.
NOT_RELOCATABLE = [{"BundleHasStrictIdentifier": True, "BundleIsRelocatable": False, "BundleIsVersionChecked": True,
                    "BundleOverwriteAction": "upgrade", "RootRelativeBundlePath": "DriverAssistant.app"}]
OUTPUTS = ["DriverAssistant-1.0.dmg", "DriverAssistant-1.0.dmg.sha256",
           "DriverAssistant-1.0.pkg", "DriverAssistant-1.0.pkg.sha256"]


def whole_path(credentials, signing=("--sign", IDENTITY), installer_signing=("--sign", INSTALLER_IDENTITY)):
    """Every call of a release that succeeds, in order."""
    return [
        ["plutil", "-extract", "CFBundleShortVersionString", "raw", "-o", "-", APP + "/Contents/Info.plist"],
        ["DriverAssistant", "--self-check"],
        ["spctl", "-a", "-vv", "-t", "install", PACKAGE],
        ["xcrun", "stapler", "validate", PACKAGE],
        ["ditto", APP, SIGNED],
        ["codesign", "--force", "--options", "runtime", "--timestamp", *signing, SIGNED],
        ["codesign", "--verify", "--strict", "--verbose=2", SIGNED],
        ["ditto", "-c", "-k", "--keepParent", SIGNED, "WORK/DriverAssistant.zip"],
        ["xcrun", "notarytool", "submit", "WORK/DriverAssistant.zip", "--wait", *credentials, "--output-format", "json"],
        ["xcrun", "stapler", "staple", SIGNED],
        MAKE_IMAGE,
        ["codesign", "--timestamp", *signing, IMAGE],
        ["xcrun", "notarytool", "submit", IMAGE, "--wait", *credentials, "--output-format", "json"],
        ["xcrun", "stapler", "staple", IMAGE],
        ["pkgbuild", "--analyze", "--root", "WORK/image", COMPONENT_PLIST],
        ["pkgbuild", "--root", "WORK/image", "--component-plist", COMPONENT_PLIST, "--install-location", "/Applications",
         "--identifier", "com.orventa.DriverAssistant", "--version", "1.0", COMPONENT, NOT_RELOCATABLE],
        ["productbuild", "--synthesize", "--package", COMPONENT, DISTRIBUTION],
        ["productbuild", "--distribution", DISTRIBUTION, "--package-path", "WORK/package", *installer_signing,
         "--timestamp", INSTALLER],
        ["pkgutil", "--check-signature", INSTALLER],
        ["xcrun", "notarytool", "submit", INSTALLER, "--wait", *credentials, "--output-format", "json"],
        ["xcrun", "stapler", "staple", INSTALLER],
        ["xcrun", "stapler", "validate", SIGNED],
        ["xcrun", "stapler", "validate", IMAGE],
        ["xcrun", "stapler", "validate", INSTALLER],
        ["spctl", "-a", "-vv", "-t", "exec", SIGNED],
        ["spctl", "-a", "-vv", "-t", "open", "--context", "context:primary-signature", IMAGE],
        ["spctl", "-a", "-vv", "-t", "install", INSTALLER],
    ]


FULL = whole_path(PROFILE)
LOG = [["xcrun", "notarytool", "log", SUBMISSION, *PROFILE]]
BEFORE_IMAGE = FULL[:FULL.index(MAKE_IMAGE)]
AFTER_IMAGE = FULL[FULL.index(MAKE_IMAGE) + 1:]


def through(*call):
    """The calls of the whole path up to and including the first that starts
    with `call`."""
    return next(FULL[:i + 1] for i, made in enumerate(FULL) if made[:len(call)] == list(call))


NO_TICKET_WARNING = ("release-mac: warning: the vendor's package has no stapled notarization ticket (xcrun stapler"
                     " validate, exit status 65): on a Mac without a network connection its assessment fails, so"
                     " users offline cannot install the driver; only the vendor can staple it")
KEY_ENVIRONMENT = {"NOTARY_KEYCHAIN_PROFILE": None, "NOTARY_KEY_PATH": "KEYS/AuthKey_ABC123.p8",
                   "NOTARY_KEY_ID": "ABC123", "NOTARY_ISSUER_ID": "69a6de7e-0000-47e3-e053-5b8c7c11a4d1"}


@dataclasses.dataclass
class Case:
    name: str
    calls: list                 # the calls made, as whole_path writes them
    status: int = 0
    says: str = None            # what standard error says on a failure
    environment: dict = dataclasses.field(default_factory=dict)  # changes; None removes
    missing: tuple = ()         # tools left off PATH
    remove: str = None          # a file taken out of the app
    out_holds: tuple = ()       # files already in the output folder
    planted: tuple = ()         # links in the output folder before the release: to someone else's file,
                                # or, for a name in `dangling`, to no file at all
    dangling: tuple = ()
    appears: tuple = ()         # (name, "link" or "folder") made in the output folder by another
                                # program during the last assessment, after the release looked
    warns: str = None           # the one warning line on standard error


CASES = [
    Case("whole path with a keychain profile", FULL),
    Case("whole path with an App Store Connect key", whole_path(KEY), environment=KEY_ENVIRONMENT),
    Case("codesign and productbuild take the identities from the given keychain",
         whole_path(PROFILE, ("--sign", IDENTITY, "--keychain", "KEYS/release.keychain-db"),
                    ("--sign", INSTALLER_IDENTITY, "--keychain", "KEYS/release.keychain-db")),
         environment={"CODESIGN_KEYCHAIN": "KEYS/release.keychain-db"}),
    # The package's bytes are pinned: a missing ticket is for the vendor to
    # mend, and the release says so once.
    Case("the vendor's package has no stapled ticket", FULL, environment={"STANDIN_VALIDATE_FAILS": "CH34xVCPDriver.pkg"},
         warns=NO_TICKET_WARNING),
    Case("notary finds the app invalid", through("xcrun", "notarytool", "submit", "WORK/DriverAssistant.zip") + LOG, 1,
         'notarization of DriverAssistant.zip ended with status "Invalid"', {"STANDIN_NOTARY_INVALID": "zip"}),
    Case("notary finds the image invalid", through("xcrun", "notarytool", "submit", IMAGE) + LOG, 1,
         'notarization of DriverAssistant-1.0.dmg ended with status "Invalid"', {"STANDIN_NOTARY_INVALID": "dmg"}),
    Case("stapler finds no ticket on the image", through("xcrun", "stapler", "validate", IMAGE), 1,
         "this step failed (exit status 65): xcrun stapler validate", {"STANDIN_VALIDATE_FAILS": "dmg"}),
    # Where Gatekeeper's assessments are disabled, as they may be on a
    # hosted runner, spctl accepts each of these; only the source it names
    # tells a notarized item from a signed one.
    Case("the vendor's package is signed, not notarized", FULL[:3], 1,
         "the vendor's package IN/DriverAssistant.app/Contents/Resources/CH34xVCPDriver.pkg is not assessed as"
         " notarized (spctl -a -vv -t install IN/DriverAssistant.app/Contents/Resources/CH34xVCPDriver.pkg,"
         " exit status 0): IN/DriverAssistant.app/Contents/Resources/CH34xVCPDriver.pkg: accepted"
         " override=security disabled source=Unnotarized Developer ID origin=Developer ID Installer", {"STANDIN_NOT_NOTARIZED": "pkg"}),
    Case("the signed app is assessed as not notarized", through("spctl", "-a", "-vv", "-t", "exec"), 1,
         "the signed app is not assessed as notarized (spctl -a -vv -t exec", {"STANDIN_NOT_NOTARIZED": "app"}),
    Case("the image is assessed as not notarized", through("spctl", "-a", "-vv", "-t", "open"), 1,
         "the image DriverAssistant-1.0.dmg is not assessed as notarized", {"STANDIN_NOT_NOTARIZED": "dmg"}),
    # The installer package: each of its steps ends the release, leaving
    # nothing new in the output folder.
    Case("productbuild cannot sign the installer package", through("productbuild", "--distribution"), 1,
         "this step failed (exit status 1): productbuild --distribution WORK/package/Distribution.xml --package-path"
         " WORK/package --sign " + INSTALLER_IDENTITY, {"STANDIN_PRODUCTBUILD_FAILS": "1"}),
    Case("pkgbuild finds no app in the package's root", through("pkgbuild", "--analyze"), 1,
         "pkgbuild --analyze found no DriverAssistant.app in the package's root (WORK/package/DriverAssistant.plist)",
         {"STANDIN_ANALYZE_EMPTY": "1"}),
    Case("the installer package carries no signature", through("pkgutil"), 1,
         "DriverAssistant-1.0.pkg is not signed with a Developer ID Installer identity (pkgutil --check-signature,"
         " exit status 1): Package \"DriverAssistant-1.0.pkg\": Status: no signature", {"STANDIN_PKG_UNSIGNED": "1"}),
    Case("notary finds the installer package invalid", through("xcrun", "notarytool", "submit", INSTALLER) + LOG, 1,
         'notarization of DriverAssistant-1.0.pkg ended with status "Invalid"', {"STANDIN_NOTARY_INVALID": "pkg"}),
    Case("stapler finds no ticket on the installer package", through("xcrun", "stapler", "validate", INSTALLER), 1,
         "this step failed (exit status 65): xcrun stapler validate WORK/DriverAssistant-1.0.pkg",
         {"STANDIN_VALIDATE_FAILS": "DriverAssistant-1.0.pkg"}),
    Case("the installer package is assessed as not notarized", FULL, 1,
         "the installer package DriverAssistant-1.0.pkg is not assessed as notarized (spctl -a -vv -t install",
         {"STANDIN_NOT_NOTARIZED": "DriverAssistant-1.0.pkg"}),
    Case("hdiutil is busy twice, then makes the image",
         BEFORE_IMAGE + [MAKE_IMAGE, PAUSE, MAKE_IMAGE, PAUSE, MAKE_IMAGE] + AFTER_IMAGE,
         environment={"STANDIN_HDIUTIL_BUSY": "2"}),
    Case("hdiutil is busy on every try", BEFORE_IMAGE + [MAKE_IMAGE, PAUSE] * 3 + [MAKE_IMAGE], 1,
         "this step failed (exit status 1, try 4 of 4): hdiutil create", {"STANDIN_HDIUTIL_BUSY": "always"}),
    # hdiutil words its failures in the Mac's language: every failure is
    # tried again, whatever it says.
    Case("hdiutil is busy once, in German, then makes the image", BEFORE_IMAGE + [MAKE_IMAGE, PAUSE, MAKE_IMAGE] + AFTER_IMAGE,
         environment={"STANDIN_HDIUTIL_BUSY": "1", "STANDIN_HDIUTIL_GERMAN": "1"}),
    Case("hdiutil fails otherwise on every try", BEFORE_IMAGE + [MAKE_IMAGE, PAUSE] * 3 + [MAKE_IMAGE], 1,
         "this step failed (exit status 1, try 4 of 4): hdiutil create", {"STANDIN_HDIUTIL_FULL": "1"}),
    Case("a signal while hdiutil runs: nothing is left", BEFORE_IMAGE + [MAKE_IMAGE], 1,
         environment={"STANDIN_TERM": "hdiutil"}),
    Case("self-check fails", FULL[:2], 1, "the app's self-check failed (exit status 1)",
         {"FAKE_SELF_CHECK_STATUS": "1"}),
    Case("no signing identity", [], 1, "DEVELOPER_ID_APPLICATION is not set", {"DEVELOPER_ID_APPLICATION": None}),
    Case("no installer signing identity", [], 1, "DEVELOPER_ID_INSTALLER is not set",
         {"DEVELOPER_ID_INSTALLER": None}),
    Case("part of an App Store Connect key", [], 1, "NOTARY_KEY_PATH is not set",
         {"NOTARY_KEYCHAIN_PROFILE": None, "NOTARY_KEY_ID": "ABC123"}),
    Case("the key path names a folder", [], 1, "NOTARY_KEY_PATH: KEYS is not a file",
         {**KEY_ENVIRONMENT, "NOTARY_KEY_PATH": "KEYS"}),
    Case("the keychain path names no file", [], 1, "CODESIGN_KEYCHAIN: KEYS/login.keychain-db is not a file",
         {"CODESIGN_KEYCHAIN": "KEYS/login.keychain-db"}),
    Case("no spctl", [], 1, "spctl is not on PATH", missing=("spctl",)),
    Case("no productbuild", [], 1, "productbuild is not on PATH", missing=("productbuild",)),
    Case("no pkgutil", [], 1, "pkgutil is not on PATH", missing=("pkgutil",)),
    Case("no vendor package in the app", [], 1, "carries no vendor package",
         remove="Contents/Resources/CH34xVCPDriver.pkg"),
    # The output folder gets all four files or none of them, and nothing in
    # it is replaced or written through. A name already there stops the
    # release before anything is signed.
    *[Case(f"the output folder holds {name}", FULL[:1], 1,
           f"already holds {name}: a published file is never replaced", out_holds=(name,)) for name in OUTPUTS],
    Case("the output folder holds a link at the image's name, leading to someone else's file", FULL[:1], 1,
         "already holds DriverAssistant-1.0.dmg: a published file is never replaced",
         planted=("DriverAssistant-1.0.dmg",)),
    Case("the output folder holds a link at the package's name, leading nowhere", FULL[:1], 1,
         "already holds DriverAssistant-1.0.pkg: a published file is never replaced",
         planted=("DriverAssistant-1.0.pkg",), dangling=("DriverAssistant-1.0.pkg",)),
    Case("links at the names an older release wrote its partial files to", FULL,
         planted=tuple(f".{name}.partial" for name in OUTPUTS)),
    Case("the last name is taken while the others are published: none is left", FULL, 1,
         "cannot publish DriverAssistant-1.0.pkg.sha256 in OUT (File exists): a published file is never replaced",
         appears=("DriverAssistant-1.0.pkg.sha256", "link")),
    Case("a folder appears at the image's name: nothing goes into it", FULL, 1,
         "cannot publish DriverAssistant-1.0.dmg in OUT (File exists)", appears=("DriverAssistant-1.0.dmg", "folder")),
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

    def run_case(self, folder, case):
        paths = {name: os.path.join(folder, name) for name in ("in", "out", "bin", "tmp", "keys")}
        for name in ("in", "bin", "tmp", "keys"):
            os.makedirs(paths[name])
        app = fake_app(paths["in"])
        if case.remove:
            os.remove(os.path.join(app, case.remove))
        for name in ("AuthKey_ABC123.p8", "release.keychain-db"):
            open(os.path.join(paths["keys"], name), "w").close()
        if case.out_holds:
            os.makedirs(paths["out"])
        for name in case.out_holds:
            with open(os.path.join(paths["out"], name), "w") as f:
                f.write("published before\n")
        victim = os.path.join(folder, "someone-elses-file")
        with open(victim, "w") as f:
            f.write("someone else's\n")
        if case.planted:
            os.makedirs(paths["out"], exist_ok=True)
        for name in case.planted:
            os.symlink(os.path.join(folder, "nowhere") if name in case.dangling else victim,
                       os.path.join(paths["out"], name))
        for tool in TOOLS:
            if tool not in case.missing:
                os.symlink(STANDIN, os.path.join(paths["bin"], tool))
        log = os.path.join(folder, "calls.jsonl")
        env = {"PATH": paths["bin"] + ":/usr/bin:/bin", "TMPDIR": paths["tmp"], "STANDIN_LOG": log,
               "DEVELOPER_ID_APPLICATION": IDENTITY, "DEVELOPER_ID_INSTALLER": INSTALLER_IDENTITY,
               "NOTARY_KEYCHAIN_PROFILE": "orventa-notary"}
        if case.appears:
            env.update({"STANDIN_PLANT": os.path.join(paths["out"], case.appears[0]),
                        "STANDIN_PLANT_KIND": case.appears[1], "STANDIN_PLANT_TARGET": victim})
        for key, value in case.environment.items():
            if value is None:
                env.pop(key, None)
            else:
                env[key] = value.replace("KEYS", paths["keys"])
        # A session of its own: a stand-in may signal the script as the
        # leader of its process group.
        run = subprocess.run([SCRIPT, "--app", app, "--out", paths["out"]], env=env, capture_output=True,
                             text=True, timeout=60, start_new_session=True)
        calls = []
        if os.path.exists(log):
            with open(log) as f:
                calls = [json.loads(line) for line in self.as_written(f.read(), paths).splitlines()]
        return run, calls, paths, app

    @staticmethod
    def as_written(text, paths):
        """Paths in the text, as the table writes them."""
        text = re.sub(re.escape(paths["out"]) + r"/\.release-mac\.\w+", "WORK", text)
        for name, path in paths.items():
            text = text.replace(path, name.upper())
        return text

    def test_cases(self):
        for number, case in enumerate(CASES):
            with self.subTest(case.name):
                folder = os.path.join(self.root, str(number))
                run, calls, paths, app = self.run_case(folder, case)
                output = run.stdout + run.stderr
                self.assertEqual(run.returncode, case.status, output)
                self.assertEqual(calls, case.calls, output)
                self.assertFalse(any("--deep" in call for call in calls))
                for call in calls:
                    if call[:2] == ["pkgbuild", "--root"]:
                        self.assertEqual([b["RootRelativeBundlePath"] for b in call[-1] if b["BundleIsRelocatable"]],
                                         [], "no bundle the package installs is relocatable")
                self.assertEqual(os.listdir(paths["tmp"]), [])
                left = os.listdir(paths["out"]) if os.path.exists(paths["out"]) else []
                self.assertEqual([name for name in left if name.startswith(".release-mac.")], [],
                                 "the private folder is removed")
                with open(os.path.join(folder, "someone-elses-file")) as f:
                    self.assertEqual(f.read(), "someone else's\n", "nothing is written through a link")
                for name in case.planted + case.appears[:1]:
                    self.assertEqual(os.path.islink(os.path.join(paths["out"], name)), name in case.planted
                                     or case.appears[1] == "link", "what others made stays as it was")
                if case.appears[1:] == ("folder",):
                    self.assertEqual(os.listdir(os.path.join(paths["out"], case.appears[0])), [])
                self.assertFalse(os.path.exists(os.path.join(app, "Contents", "_CodeSignature")),
                                 "the given app is not signed in place")
                warnings = [line for line in run.stderr.splitlines() if "warning" in line]
                self.assertEqual(warnings, [case.warns] if case.warns else [], output)
                if case.status == 0:
                    self.assertEqual(sorted(left), sorted(OUTPUTS + list(case.planted)))
                    for name in ("DriverAssistant-1.0.dmg", "DriverAssistant-1.0.pkg"):
                        with open(os.path.join(paths["out"], name), "rb") as f:
                            digest = hashlib.sha256(f.read()).hexdigest()
                        with open(os.path.join(paths["out"], name + ".sha256")) as f:
                            self.assertEqual(f.read(), f"{digest}  {name}\n")
                    with open(os.path.join(paths["out"], "DriverAssistant-1.0.pkg")) as f:
                        product = re.fullmatch(r"product archive of component package (.*), signed by (.*)", f.read())
                    self.assertEqual(product.group(2), INSTALLER_IDENTITY)
                    self.assertEqual(json.loads(product.group(1)),
                                     {"root": ["DriverAssistant.app/"], "install-location": "/Applications",
                                      "identifier": "com.orventa.DriverAssistant", "version": "1.0",
                                      "bundles": NOT_RELOCATABLE}, "the package holds the signed app alone")
                    continue
                self.assertEqual(sorted(left), sorted(case.out_holds + case.planted + case.appears[:1]),
                                 "nothing new after a failure")
                for name in case.out_holds:
                    with open(os.path.join(paths["out"], name)) as f:
                        self.assertEqual(f.read(), "published before\n", "what was there stays as it was")
                if case.says is None:
                    continue
                last = run.stderr.rstrip("\n").splitlines()[-1]
                self.assertTrue(last.startswith("release-mac: "), run.stderr)
                self.assertIn(case.says, self.as_written(last, paths), "the reason is the last line")
                if not calls:
                    self.assertEqual(run.stderr, last + "\n", "a refusal is one line")
                if calls[-1:] == LOG:
                    self.assertIn("The signature of the binary is invalid.", run.stderr, "the notary's log is shown")

    def test_shellcheck_clean(self):
        self.assertIsNotNone(shutil.which("shellcheck"), "scripts/setup installs shellcheck")
        run = subprocess.run(["shellcheck", SCRIPT], capture_output=True, text=True, timeout=60)
        self.assertEqual(run.returncode, 0, run.stdout)


if __name__ == "__main__":
    unittest.main()
