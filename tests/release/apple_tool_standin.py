#!/usr/bin/env python3
"""A stand-in for Apple's release tools, named by the link it is started as:
codesign, xcrun (notarytool, stapler), hdiutil, ditto, pkgbuild,
productbuild, pkgutil, spctl, plutil, and sleep (which returns at once, so
that a pause between tries costs nothing).

Each call is appended to STANDIN_LOG as one JSON list: the tool's name and
its arguments (hdiutil create adds the listing of its source folder, pkgbuild
building a package the component property list it was given). The answers
follow the real tools' output; the scenario comes from the environment, each
naming the files it applies to by their ending ("pkg": every installer
package) or by their whole name ("CH34xVCPDriver.pkg": the vendor's package
alone):
  STANDIN_NOTARY_INVALID  "zip", "dmg" or "pkg": notarytool's verdict on
                          such a file is "Invalid" (else "Accepted")
  STANDIN_VALIDATE_FAILS  stapler validate finds no ticket on such a file
  STANDIN_NOT_NOTARIZED   such a file is signed, not notarized: spctl accepts
                          it all the same, as where Gatekeeper's assessments
                          are disabled (adding "override=security disabled"),
                          and names its source "Unnotarized Developer ID"
  STANDIN_HDIUTIL_BUSY    a number N, or "always": hdiutil create fails
                          with "Resource busy" on its first N tries, leaving
                          a partial image behind as the real tool may
  STANDIN_HDIUTIL_GERMAN  set: hdiutil words its failures in German, as on a
                          Mac whose language is German
  STANDIN_HDIUTIL_FULL    set: hdiutil create fails with "No space left on
                          device"
  STANDIN_ANALYZE_EMPTY   set: pkgbuild --analyze finds no bundle
  STANDIN_PRODUCTBUILD_FAILS  set: productbuild finds no signing identity
  STANDIN_PKG_UNSIGNED    set: pkgutil finds no signature on the package
  STANDIN_PLANT, STANDIN_PLANT_KIND, STANDIN_PLANT_TARGET
                          while spctl assesses the installer package (the
                          last step before the files are published) another
                          program creates STANDIN_PLANT: a link to
                          STANDIN_PLANT_TARGET ("link") or a folder ("folder")
  STANDIN_TERM            a tool's name: that tool sends SIGTERM to the
                          leader of its process group (the release script,
                          started as one) and then answers as usual
hdiutil create refuses an output file that exists, as the real tool does.
"""

import json
import os
import plistlib
import shutil
import signal
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
    german = os.environ.get("STANDIN_HDIUTIL_GERMAN")
    failed = "hdiutil: create fehlgeschlagen - " if german else "hdiutil: create failed - "
    if os.environ.get("STANDIN_HDIUTIL_FULL"):
        print(failed + ("Kein Speicherplatz mehr auf dem Gerät" if german else "No space left on device"),
              file=sys.stderr)
        return 1
    if os.path.exists(image):
        print(failed + ("Datei existiert bereits" if german else "File exists"), file=sys.stderr)
        return 1
    busy = os.environ.get("STANDIN_HDIUTIL_BUSY")
    if busy:
        with open(os.environ["STANDIN_LOG"]) as log:
            tries = sum(1 for line in log if line.startswith('["hdiutil", "create"'))
        if busy == "always" or tries <= int(busy):
            with open(image, "w") as f:
                f.write("part of a disk image")
            print(failed + ("Gerät oder Ressource belegt" if german else "Resource busy"), file=sys.stderr)
            return 1
    with open(image, "w") as f:
        f.write("disk image of " + json.dumps(listing(args[args.index("-srcfolder") + 1])))
    print(f"created: {image}")
    return 0


BUNDLE_ENDINGS = (".app", ".appex", ".bundle", ".framework", ".kext", ".plugin", ".xpc")


def bundles(root):
    """What pkgbuild --analyze writes for ROOT: one dictionary for each
    bundle that is not inside another, each nested bundle among its
    ChildBundles."""
    found = []
    for folder, names, _ in os.walk(root):
        names.sort()
        for name in names:
            path = os.path.relpath(os.path.join(folder, name), root)
            if not name.endswith(BUNDLE_ENDINGS):
                continue
            parent = next((b for b in found if path.startswith(b["RootRelativeBundlePath"] + "/")), None)
            if parent:
                parent.setdefault("ChildBundles", []).append(
                    {"BundleOverwriteAction": "", "RootRelativeBundlePath": path})
            else:
                found.append({"BundleHasStrictIdentifier": True, "BundleIsRelocatable": True,
                              "BundleIsVersionChecked": True, "BundleOverwriteAction": "upgrade",
                              "RootRelativeBundlePath": path})
    return found


def pkgbuild(args):
    output = args[-1]
    root = args[args.index("--root") + 1]
    if "--analyze" in args:
        # pkgbuild --analyze --root ROOT PLIST
        print(f"pkgbuild: Inferring bundle components from contents of {root}")
        with open(output, "wb") as f:
            plistlib.dump([] if os.environ.get("STANDIN_ANALYZE_EMPTY") else bundles(root), f)
        print(f"pkgbuild: Writing new component property list to {output}")
        return 0
    # pkgbuild --root ROOT --component-plist PLIST --install-location PATH
    #          --identifier ID --version VERSION OUT
    with open(args[args.index("--component-plist") + 1], "rb") as f:
        component = plistlib.load(f)
    for bundle in component:
        print(f"pkgbuild: Adding component at {bundle['RootRelativeBundlePath']}")
    with open(output, "w") as f:
        f.write("component package " + json.dumps({
            "root": listing(root), "install-location": args[args.index("--install-location") + 1],
            "identifier": args[args.index("--identifier") + 1], "version": args[args.index("--version") + 1],
            "bundles": component}))
    print(f"pkgbuild: Wrote package to {output}")
    return 0


def ditto(args):
    if args[:3] == ["-c", "-k", "--keepParent"]:
        with open(args[4], "w") as f:
            f.write("zip archive of " + os.path.basename(args[3]))
    else:
        shutil.copytree(args[0], args[1], symlinks=True)
    return 0


def productbuild(args):
    output = args[-1]
    if "--synthesize" in args:
        # productbuild --synthesize --package COMPONENT DISTRIBUTION
        package = os.path.basename(args[args.index("--package") + 1])
        with open(output, "w") as f:
            f.write('<?xml version="1.0" encoding="utf-8"?>\n<installer-gui-script minSpecVersion="2">\n'
                    '    <pkg-ref id="com.orventa.DriverAssistant"/>\n'
                    '    <options customize="never" require-scripts="false" hostArchitectures="x86_64,arm64"/>\n'
                    '    <choices-outline>\n        <line choice="default">\n'
                    '            <line choice="com.orventa.DriverAssistant"/>\n        </line>\n'
                    '    </choices-outline>\n    <choice id="default"/>\n'
                    '    <choice id="com.orventa.DriverAssistant" visible="false">\n'
                    '        <pkg-ref id="com.orventa.DriverAssistant"/>\n    </choice>\n'
                    f'    <pkg-ref id="com.orventa.DriverAssistant" onConclusion="none">#{package}</pkg-ref>\n'
                    '</installer-gui-script>\n')
        return 0
    # productbuild --distribution DIST --package-path FOLDER [--sign ID [--keychain K]] [--timestamp] OUT
    identity = args[args.index("--sign") + 1] if "--sign" in args else None
    if os.environ.get("STANDIN_PRODUCTBUILD_FAILS"):
        print(f'productbuild: error: Cannot write product to "{output}". '
              f'(Could not find appropriate signing identity for "{identity}".)', file=sys.stderr)
        return 1
    with open(args[args.index("--distribution") + 1]) as f:
        package = f.read().split("#", 1)[1].split("<", 1)[0]
    with open(os.path.join(args[args.index("--package-path") + 1], package)) as f:
        component = f.read()
    if identity:
        print(f'productbuild: Signing product with identity "{identity}" from keychain ...')
    with open(output, "w") as f:
        f.write(f"product archive of {component}, signed by {identity}")
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
    plant = os.environ.get("STANDIN_PLANT")
    if plant and target.endswith(".pkg") and os.path.basename(target) != "CH34xVCPDriver.pkg":
        if os.environ["STANDIN_PLANT_KIND"] == "folder":
            os.mkdir(plant)
        else:
            os.symlink(os.environ["STANDIN_PLANT_TARGET"], plant)
    unnotarized = applies("NOT_NOTARIZED", target)
    override = "override=security disabled\n" if unnotarized else ""
    source = "Unnotarized Developer ID" if unnotarized else "Notarized Developer ID"
    if os.path.basename(target) == "CH34xVCPDriver.pkg":
        origin = "Developer ID Installer: Jiangsu Qinheng Co., Ltd. (5JZGQTGU4W)"
    elif target.endswith(".pkg"):
        origin = "Developer ID Installer: ORVENTA Test (TEAM123456)"
    else:
        origin = "Developer ID Application: ORVENTA Test (TEAM123456)"
    print(f"{target}: accepted\n{override}source={source}\norigin={origin}", file=sys.stderr)
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
    elif tool == "pkgbuild" and "--component-plist" in args:
        with open(args[args.index("--component-plist") + 1], "rb") as f:
            entry.append(plistlib.load(f))
    record(entry)
    if os.environ.get("STANDIN_TERM") == tool:
        os.kill(os.getpgid(0), signal.SIGTERM)
    return {"codesign": codesign, "xcrun": xcrun, "hdiutil": hdiutil, "ditto": ditto, "pkgbuild": pkgbuild,
            "productbuild": productbuild, "pkgutil": pkgutil, "spctl": spctl, "plutil": plutil,
            "sleep": sleep}[tool](args)


if __name__ == "__main__":
    sys.exit(main())
