"""The fleet profile in deploy/, read with plistlib: one system-extension
policy that allows the driver the program looks for, from the team that
signs the vendor's package, and keeps users from switching it off, under
identifiers of the program's own.

Environment: ASSISTANT_SOURCE.
"""

import glob
import os
import plistlib
import re
import unittest
import uuid

SOURCE = os.environ["ASSISTANT_SOURCE"]


def build_constant(name):
    with open(os.path.join(SOURCE, "driver", "build_constants.h")) as f:
        match = re.search(r"\b%s\s*=\s*\"([^\"]*)\"" % name, f.read())
    if match is None:
        raise AssertionError(f"{name} is not in driver/build_constants.h")
    return match.group(1)


class FleetProfile(unittest.TestCase):
    def test_profile(self):
        profiles = glob.glob(os.path.join(SOURCE, "deploy", "*.mobileconfig"))
        self.assertEqual(len(profiles), 1, profiles)
        with open(profiles[0], "rb") as f:
            profile = plistlib.load(f)
        team = re.fullmatch(r".*\(([0-9A-Z]{10})\)", build_constant("expectedSigner")).group(1)
        driver = build_constant("driverBundleID")

        self.assertEqual(profile["PayloadType"], "Configuration")
        self.assertEqual(profile["PayloadScope"], "System")
        payloads = profile["PayloadContent"]
        self.assertEqual([p["PayloadType"] for p in payloads], ["com.apple.system-extension-policy"])
        policy = payloads[0]
        self.assertEqual(policy["AllowedSystemExtensions"], {team: [driver]})
        self.assertEqual(policy["AllowedSystemExtensionTypes"], {team: ["DriverExtension"]})
        # From macOS 15 a user could otherwise switch the driver off in
        # System Settings (Login Items & Extensions) or remove it in Finder.
        self.assertEqual(policy["NonRemovableFromUISystemExtensions"], {team: [driver]})
        self.assertIs(policy["AllowUserOverrides"], True)

        identifiers = [profile["PayloadIdentifier"], policy["PayloadIdentifier"]]
        for identifier in identifiers:
            self.assertTrue(identifier.startswith("com.orventa.DriverAssistant."), identifier)
        self.assertEqual(len(set(identifiers)), 2)
        uuids = [profile["PayloadUUID"], policy["PayloadUUID"]]
        self.assertEqual([str(uuid.UUID(u)).upper() for u in uuids], uuids, "canonical upper-case UUIDs")
        self.assertEqual(len(set(uuids)), 2)
        for payload in (profile, policy):
            self.assertEqual(payload["PayloadVersion"], 1)


if __name__ == "__main__":
    unittest.main()
