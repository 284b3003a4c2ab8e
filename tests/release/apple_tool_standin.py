#!/usr/bin/env python3
"""A stand-in for Apple's release tools, named by the link it is started as:
codesign, xcrun (notarytool, stapler), hdiutil, ditto, productbuild,
pkgutil, spctl, plutil, and sleep (which returns at once, so that a pause
between tries costs nothing).

Each call is appended to STANDIN_LOG as one JSON list: the tool's name and
its arguments (hdiutil create adds the listing of its source folder). The
answers follow the real tools' output; the scenario comes from the
environment, each naming the files it applies to by their ending ("pkg":
every installer package) or by their whole name ("CH34xVCPDriver.pkg": the
vendor's package alone):
  STANDIN_NOTARY_INVALID  "zip", "dmg" or "pkg": notarytool's verdict on
                          such a file is "Invalid" (else "Accepted")
  STANDIN_VALIDATE_FAILS  stapler validate finds no ticket on such a file
  STANDIN_NOT_NOTARIZED   spctl accepts such a file, as a Mac that does not
                          enforce Gatekeeper does, but names its source
                          "Developer ID", not "Notarized Developer ID"
  STANDIN_HDIUTIL_BUSY    a number N, or "always": hdiutil create fails
                          with "Resource busy" on its first N tries, leaving
                          a partial image behind as the real tool may
  STANDIN_HDIUTIL_FULL    set: hdiutil create fails with "No space left on
                          device"
  STANDIN_PRODUCTBUILD_FAILS  set: productbuild finds no signing identity
  STANDIN_PKG_UNSIGNED    set: pkgutil finds no signature on the package
hdiutil create refuses an output file that exists, as the real tool does.
"""

import json
import os
import plistlib
import shutil
import sys

NOTARY_LOG = {
    "logFormatVersion": 1, "status": "Invalid", "statusSummary": "Archive contains critical validation errors",
    "issues": [{"severity": "error", "path": "DriverAssistant.zip/DriverAssistant.app/Contents/MacOS/DriverAssistant",
                "message": "The signature of the binary is invalid."}],
}


def applies(variable, path):
    """Whether the scenario STANDIN_<variable> names this file."""
    value = os.environ.get("STANDIN_" + variable)
    return bool(value) and (path.endswith("." + value) or os.path.basename(path) == value)


def record(entry):
    with open(os.environ["STANDIN_LOG"], "a") as log:
        log.write(json.dumps(entry) + "\n")


def listing(folder):
    names = []
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if os.path.islink(path):
            names.append(f"{name} -> {os.readlink(path)}")
        else:
            names.append(name + ("/" if os.path.isdir(path) else ""))
    return names


def codesign(args):
    target = args[-1]
    if "--verify" in args:
        print(f"{target}: valid on disk\n{target}: satisfies its Designated Requirement", file=sys.stderr)
    elif target.endswith(".app"):
        # As the real tool, sealing the bundle's resources inside it.
        os.makedirs(os.path.join(target, "Contents", "_CodeSignature"), exist_ok=True)
        open(os.path.join(target, "Contents", "_CodeSignature", "CodeResources"), "w").close()
        print(f"{target}: signed app bundle with Mach-O universal (x86_64 arm64) [com.orventa.DriverAssistant]",
              file=sys.stderr)
    return 0


def xcrun(args):
    if args[:2] == ["notarytool", "submit"]:
        file = args[2]
        status = "Invalid" if applies("NOTARY_INVALID", file) else "Accepted"
        print("Conducting pre-submission checks and initiating connection to the Apple notary service...",
              file=sys.stderr)
        print(json.dumps({"id": "2efe2717-52ef-43a5-96dc-0797e4ca1041", "message": "Processing complete",
                          "status": status}))
        return 0
    if args[:2] == ["notarytool", "log"]:
        print(json.dumps(NOTARY_LOG, indent=2))
        return 0
    if args[:2] == ["stapler", "staple"]:
        print(f"Processing: {args[2]}\nThe staple and validate action worked!")
        return 0
    if args[:2] == ["stapler", "validate"]:
        if applies("VALIDATE_FAILS", args[2]):
            print(f"Processing: {args[2]}\n{args[2]} does not have a ticket stapled to it.")
            return 65
        print(f"Processing: {args[2]}\nThe validate action worked!")
        return 0
    print(f"xcrun: error: unexpected arguments {args}", file=sys.stderr)
    return 72


def hdiutil(args):
    image = args[-1]
    if os.environ.get("STANDIN_HDIUTIL_FULL"):
        print("hdiutil: create failed - No space left on device", file=sys.stderr)
        return 1
    if os.path.exists(image):
        print("hdiutil: create failed - File exists", file=sys.stderr)
        return 1
    busy = os.environ.get("STANDIN_HDIUTIL_BUSY")
    if busy:
        with open(os.environ["STANDIN_LOG"]) as log:
            tries = sum(1 for line in log if line.startswith('["hdiutil", "create"'))
        if busy == "always" or tries <= int(busy):
            with open(image, "w") as f:
                f.write("part of a disk image")
            print("hdiutil: create failed - Resource busy", file=sys.stderr)
            return 1
    with open(image, "w") as f:
        f.write("disk image of " + json.dumps(listing(args[args.index("-srcfolder") + 1])))
    print(f"created: {image}")
    return 0


def ditto(args):
    if args[:3] == ["-c", "-k", "--keepParent"]:
        with open(args[4], "w") as f:
            f.write("zip archive of " + os.path.basename(args[3]))
    else:
        shutil.copytree(args[0], args[1], symlinks=True)
    return 0


def productbuild(args):
    # productbuild --component APP INSTALL_PATH [--sign ID [--keychain K]] [--timestamp] OUT
    output = args[-1]
    identity = args[args.index("--sign") + 1] if "--sign" in args else None
    if os.environ.get("STANDIN_PRODUCTBUILD_FAILS"):
        print(f'productbuild: error: Cannot write product to "{output}". '
              f'(Could not find appropriate signing identity for "{identity}".)', file=sys.stderr)
        return 1
    component = args[args.index("--component") + 1]
    print(f"productbuild: Adding component at {component}")
    if identity:
        print(f'productbuild: Signing product with identity "{identity}" from keychain ...')
    with open(output, "w") as f:
        f.write(f"product archive of {os.path.basename(component)} for {args[args.index('--component') + 2]}"
                f", signed by {identity}")
    print(f"productbuild: Wrote product to {output}")
    return 0


def pkgutil(args):
    # pkgutil --check-signature PKG
    package = args[-1]
    print(f'Package "{os.path.basename(package)}":')
    if os.environ.get("STANDIN_PKG_UNSIGNED"):
        print("   Status: no signature")
        return 1
    print("   Status: signed by a developer certificate issued by Apple for distribution\n"
          "   Signed with a trusted timestamp on: 2026-01-05 10:00:00 +0000\n"
          "   Certificate Chain:\n"
          "    1. Developer ID Installer: ORVENTA Test (TEAM123456)\n"
          "       Expires: 2031-01-05 10:00:00 +0000\n"
          "    2. Developer ID Certification Authority\n"
          "       Expires: 2031-09-17 00:00:00 +0000\n"
          "    3. Apple Root CA\n"
          "       Expires: 2035-02-09 21:40:36 +0000")
    return 0


def spctl(args):
    target = args[-1]
    source = "Developer ID" if applies("NOT_NOTARIZED", target) else "Notarized Developer ID"
    if os.path.basename(target) == "CH34xVCPDriver.pkg":
        origin = "Developer ID Installer: Jiangsu Qinheng Co., Ltd. (5JZGQTGU4W)"
    elif target.endswith(".pkg"):
        origin = "Developer ID Installer: ORVENTA Test (TEAM123456)"
    else:
        origin = "Developer ID Application: ORVENTA Test (TEAM123456)"
    print(f"{target}: accepted\nsource={source}\norigin={origin}", file=sys.stderr)
    return 0


def sleep(args):
    return 0


def plutil(args):
    # plutil -extract KEY raw -o - FILE
    with open(args[-1], "rb") as f:
        print(plistlib.load(f)[args[1]])
    return 0


def main():
    tool, args = os.path.basename(sys.argv[0]), sys.argv[1:]
    entry = [tool] + args
    if tool == "hdiutil":
        entry.append(listing(args[args.index("-srcfolder") + 1]))
    record(entry)
    return {"codesign": codesign, "xcrun": xcrun, "hdiutil": hdiutil, "ditto": ditto,
            "productbuild": productbuild, "pkgutil": pkgutil, "spctl": spctl, "plutil": plutil,
            "sleep": sleep}[tool](args)


if __name__ == "__main__":
    sys.exit(main())
