"""What the end-to-end tests expect of the program and the machines they run
it on: the alerts with their exact texts, the terminal's rendering of them,
typical system-tool output, and the program variants."""

import os

import harness
from bundles import BundleCopy, PrivateCopy, change_first_byte, test_program  # noqa: F401 (used as s.BundleCopy ...)
from sandbox import Machine, Reply

DRIVER_BUNDLE_ID = "cn.wch.CH34xVCPDriver"
RECEIPT_ID = "cn.wch.pkg.CH34xVCPDriver"
SIGNER = "Developer ID Installer: Nanjing Qinheng Microelectronics Co., Ltd. (5JZGQTGU4W)"

# ---- programs ---------------------------------------------------------------


def shipped_program():
    """The shipped variant: it carries the vendor's digest and, in a build
    tree, no package."""
    return harness.app_path()


# ---- machines ---------------------------------------------------------------

LISTING_HEADER = (b"1 extension(s)\n--- com.apple.system_extension.driver_extension\n"
                  b"enabled\tactive\tteamID\tbundleID (version)\tname\t[state]\n")


def driver_line(state):
    """The driver's line of the extension listing, in the given state."""
    return b"*\t*\t5JZGQTGU4W\tcn.wch.CH34xVCPDriver (1.0/1)\tcn.wch.CH34xVCPDriver\t[" + state + b"]\n"


def listing(*lines):
    return LISTING_HEADER + b"".join(lines)


# Another vendor's extension, enabled.
OTHER_ENABLED_LINE = b"*\t*\tABCDE12345\tcom.example.Other (2.0/2)\tcom.example.Other\t[activated enabled]\n"

ENABLED = listing(driver_line(b"activated enabled"))
WAITING = listing(driver_line(b"activated waiting for user"))
NOTHING = b"0 extension(s)\n"


def signature(signer=SIGNER):
    """What pkgutil --check-signature prints for a package signed by `signer`."""
    return ('Package "CH34xVCPDriver.pkg":\n'
            "   Status: signed by a developer certificate issued by Apple for distribution\n"
            "   Notarization: trusted by the Apple notary service\n"
            "   Certificate Chain:\n"
            "    1. %s\n"
            "       Expires: 2027-02-01 22:12:15 +0000\n"
            "    2. Developer ID Certification Authority\n"
            "    3. Apple Root CA\n" % signer).encode()


def mac(listing=NOTHING, receipt=False, check_signature=None, assessment=None, installer=None,
        after_open=None, dev=(), absent=(), log=False, private_tmp=True):
    """A Mac in a given state. Defaults: nothing installed, a package that is
    signed and trusted, an installer that opens, a /dev with only the basic
    nodes, and every tool present (`absent` leaves some out). `after_open` is
    the extension listing (bytes) from the moment the installer has opened,
    or None when opening changes nothing. `log` gives it a system log of its
    own; every machine has a "/tmp" of its own (see sandbox.Machine)."""
    replies = {
        "systemextensionsctl": Reply(listing),
        "pkgutil --pkg-info": Reply(b"", 0) if receipt else
        Reply(stderr=b"No receipt for '%s' found at '/'.\n" % RECEIPT_ID.encode(), status=1),
        "pkgutil --check-signature": check_signature or Reply(signature()),
        "spctl": assessment or Reply(stderr=b"PATH: accepted\nsource=Notarized Developer ID\n"),
        "xdg-open": installer or Reply(),
    }
    changed = {} if after_open is None else {"systemextensionsctl": Reply(after_open)}
    return Machine(replies, after_open=changed, dev=list(dev), absent=absent, log=log, private_tmp=private_tmp)


# Calls the program makes, as the call log shows them.
LIST = ["/usr/bin/systemextensionsctl", "list"]
RECEIPT = ["/usr/sbin/pkgutil", "--pkg-info", RECEIPT_ID]
DRIVER_STATE = [LIST, RECEIPT]


def verification(package):
    return [["/usr/sbin/pkgutil", "--check-signature", package], ["/usr/sbin/spctl", "-a", "-t", "install", package]]


def opening(package):
    return [["/usr/bin/xdg-open", package]]


# ---- alerts -------------------------------------------------------------------


class Alert:
    def __init__(self, title, message, buttons):
        self.title, self.message, self.buttons = title, message, list(buttons)

    def terminal_text(self):
        """The alert as the terminal presenter writes it, up to and including
        the line feed that follows the answer."""
        numbered = "".join("%d. %s\n" % (i + 1, b) for i, b in enumerate(self.buttons))
        prompt = ("Press 1 and Return: " if len(self.buttons) == 1
                  else "Choose 1-%d and press Return: " % len(self.buttons))
        return self.title + "\n" + self.message + "\n" + numbered + prompt + "\n"

    def __repr__(self):
        return "Alert(%r)" % self.title


def environment_line():
    # The OS version text here is the kernel's release (GNUstep's
    # operatingSystemVersionString), the same inside the namespace.
    return "Environment: " + os.uname().release


def driver_check_complete(port_present):
    port = ("A WCH serial port is also present." if port_present
            else "Connect the alarm light later to check its serial port.")
    return Alert("Driver Check Complete", environment_line() +
                 "\n\nThe required WCH driver is already installed and enabled. No installation is needed.\n\n" + port,
                 ["OK"])


def driver_needs_attention():
    return Alert("Driver Needs Attention", environment_line() +
                 "\n\nThe WCH driver is installed but not enabled. Check System Settings > Privacy & Security and "
                 "restart the Mac.\n\nOpen the signed installer to complete or repair the installation?",
                 ["Open Installer", "Cancel"])


def driver_required():
    return Alert("Driver Required", environment_line() + "\n\nThe required WCH driver is not installed. Install it now?",
                 ["Install Driver", "Cancel"])


COMPLETE_INSTALLATION = Alert(
    "Complete the WCH Installation",
    "Finish the steps in the macOS Installer window. Then return here and click Recheck.", ["Recheck", "Close"])
DRIVER_NOT_DETECTED = Alert(
    "Driver Not Detected",
    "The installer closed, but the required driver was not detected. Open this assistant again or contact "
    "ORVENTA support.", ["OK"])
APPROVAL_OR_RESTART = Alert(
    "Approval or Restart Required",
    "The driver is installed but not enabled yet. Approve WCH in System Settings > Privacy & Security if "
    "requested, restart the Mac, and open this assistant again.", ["OK"])
INSTALLATION_COMPLETE = Alert("Installation Complete", "The required WCH driver is installed and enabled.", ["OK"])


def unable_to_continue(message):
    return Alert("Unable to Continue", message, ["OK"])


PACKAGE_MISSING = "The embedded WCH driver package is missing."
DIGEST_MISMATCH = "The embedded WCH package failed its SHA-256 check."
SIGNER_MISMATCH = "The embedded WCH package does not have the expected vendor signature."
NOT_TRUSTED = "macOS did not accept the embedded WCH package as a trusted installer."
OPEN_FAILED = "macOS could not open the WCH installer."

ALL_TITLES = ("Driver Check Complete", "Driver Needs Attention", "Driver Required", "Complete the WCH Installation",
              "Driver Not Detected", "Approval or Restart Required", "Installation Complete", "Unable to Continue")
