"""Every alert the assistant can show, in every language its bundle carries,
as screenshots for a translator to review (scripts/gallery runs this).

    python3 -B tests/support/gallery.py [--out DIR] [--alerts NAME,...] [--list] [LANGUAGE...]

LANGUAGE is a table's folder name (ko, pt-BR, zh-Hant); none means every one
of the bundle. Each alert is the real program's, on a simulated Mac (the
stand-in system tools of sandbox.py) under a private X server: the
test-only variant (ASSISTANT_TEST_APP), whose fixture package passes the
verification, is answered with Return (its first button) until the alert
wanted shows, and that alert's window is saved as DIR/LANGUAGE/NAME.png.
DIR/index.html shows them, a section per language. Needs root (the
simulated Mac's namespaces), Xvfb, xdotool and ImageMagick; the environment
of tests/CMakeLists.txt (ASSISTANT_TEST_APP, ASSISTANT_BUILD).

GNUstep knows no macOS version (the program reads 0 there and names the
place of macOS 13 and 14): for the groups 11-12 and 15 and later, the
program runs from a copy of its bundle whose tables hold that group's place
under the key of 13 and 14, so the alert shows what that Mac shows.

The program writes the language it chose to its system record (the
`language` key of the table it reads); an alert shown from another table
than the one asked for is marked in the index, the language's other alerts
are left out, and the run ends with status 1, as it does when an alert did
not show.
"""

import argparse
import html
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import harness

# The simulated Macs in each state are the end-to-end tests' own.
sys.path.insert(1, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "e2e"))
import scenario as s  # noqa: E402
from bundles import shipped_languages  # noqa: E402
from sandbox import Reply, stop  # noqa: E402

# LANGUAGE for each table whose folder name is not the Mac's own name of its
# language (what a Mac's language order holds and GNUstep's LANGUAGE takes).
LANGUAGE_VARIABLE = {"es-419": "es_419", "fr-CA": "fr_CA", "nb": "no", "pt-BR": "pt", "pt-PT": "pt_PT",
                     "zh-Hans": "zh_CN", "zh-Hant": "zh_TW", "zh-HK": "zh_HK"}

# The bundles the alerts need: the test variant as it is, with each other
# macOS group's place, and with its package missing, changed or a folder.
PLAIN, MACOS11, MACOS15, NO_PACKAGE, CHANGED_PACKAGE, FOLDER_PACKAGE = (
    "plain", "macOS11", "macOS15", "no package", "changed package", "package is a folder")

OTHER_SIGNER = "Developer ID Installer: Someone Else (ABCDE12345)"


class Shot:
    """One alert of the gallery: its file name, what it shows (in English,
    for the index), the Mac it shows on (scenario.mac's arguments), the
    bundle it runs from, and how many alerts come before it (each answered
    with its first button)."""

    def __init__(self, name, caption, mac, before=0, bundle=PLAIN):
        self.name, self.caption, self.mac, self.before, self.bundle = name, caption, mac, before, bundle

    def machine(self):
        """A fresh simulated Mac for the shot, with a system log of its own."""
        return s.mac(log=True, **self.mac)


def _place_groups(name, caption, mac, before):
    return [Shot(name + "-macos11", caption + ", macOS 11 and 12", mac, before, MACOS11),
            Shot(name + "-macos13", caption + ", macOS 13 and 14 (and any version not known)", mac, before),
            Shot(name + "-macos15", caption + ", macOS 15 and later", mac, before, MACOS15)]


SHOTS = [
    # The first alert, by the driver's state.
    Shot("driver-check-complete-port", "Driver Check Complete: enabled, a WCH serial port present",
         dict(listing=s.ENABLED, receipt=True, dev=["cu.wchusbserial1420"])),
    Shot("driver-check-complete", "Driver Check Complete: enabled, no serial port",
         dict(listing=s.ENABLED, receipt=True)),
    *_place_groups("driver-needs-attention", "Driver Needs Attention: installed, not enabled",
                   dict(listing=s.WAITING, receipt=True), 0),
    Shot("driver-required", "Driver Required: not installed", {}),
    # The wait while the Installer runs, and the results of the recheck.
    Shot("complete-installation", "Complete the WCH Installation: after Install Driver", {}, 1),
    Shot("installation-complete", "Installation Complete: enabled after Recheck",
         dict(after_open=s.ENABLED), 2),
    *_place_groups("approval-or-restart-required", "Approval or Restart Required: not enabled after Recheck",
                   dict(after_open=s.WAITING), 2),
    Shot("driver-not-detected", "Driver Not Detected: nothing after Recheck", {}, 2),
    # Every kind of failure after Install Driver.
    Shot("unable-to-continue-package-missing", "Unable to Continue: the package is missing", {}, 1,
         NO_PACKAGE),
    Shot("unable-to-continue-digest", "Unable to Continue: the package's SHA-256 differs", {}, 1,
         CHANGED_PACKAGE),
    Shot("unable-to-continue-signature", "Unable to Continue: another signer",
         dict(check_signature=Reply(s.signature(OTHER_SIGNER))), 1),
    Shot("unable-to-continue-not-trusted", "Unable to Continue: the system's assessment refuses the package",
         dict(assessment=Reply(b"rejected\n", 3)), 1),
    Shot("unable-to-continue-open-failed", "Unable to Continue: the Installer does not open",
         dict(installer=Reply(status=3)), 1),
    Shot("unable-to-continue-time-limit", "Unable to Continue: a tool passes its time limit",
         dict(assessment=Reply(script="sleep 600")), 1),
    Shot("unable-to-continue-output-limit", "Unable to Continue: a tool passes its output limit",
         dict(assessment=Reply(script="exec head -c 17000000 /dev/zero", replace=True)), 1),
    Shot("unable-to-continue-system-error", "Unable to Continue: the system's error (the package is a folder)",
         {}, 1, FOLDER_PACKAGE),
]


# ---- the bundles --------------------------------------------------------------


def _unlink(package):
    os.unlink(package)


def _into_folder(package):
    os.unlink(package)
    os.mkdir(package)


def _with_place_of(group):
    """A change of a bundle copy: every table holds `group`'s approval place
    under the key the program reads on GNUstep (that of macOS 13 and 14)."""

    def change(resources):
        for folder in os.listdir(resources):
            path = os.path.join(resources, folder, "Localizable.strings")
            if not folder.endswith(".lproj") or not os.path.exists(path):
                continue
            with open(path, encoding="utf-8") as f:
                text = f.read()
            value = re.search(r'^"approvalPlace\.%s" = ("(?:[^"\\\n]|\\.)*");$' % group, text, re.M)
            if value is None:
                continue  # a table without it: the program shows English's, as it would anyway
            text = re.sub(r'^("approvalPlace\.macOS13" = )"(?:[^"\\\n]|\\.)*";$',
                          lambda m: m.group(1) + value.group(1) + ";", text, flags=re.M)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)

    return change


class Bundles:
    """Copies of the test variant's bundle, one for each kind in use, in `folder`."""

    def __init__(self, kinds, folder):
        self.copies = {}
        self.folder = folder
        package_changes = {NO_PACKAGE: _unlink, CHANGED_PACKAGE: s.change_first_byte, FOLDER_PACKAGE: _into_folder}
        table_changes = {MACOS11: _with_place_of("macOS11"), MACOS15: _with_place_of("macOS15")}
        for kind in kinds:
            copy = s.BundleCopy(s.test_program(), change=package_changes.get(kind), parent=folder).__enter__()
            if kind in table_changes:
                table_changes[kind](os.path.join(os.path.dirname(copy.executable), "Resources"))
            self.copies[kind] = copy

    def executable(self, kind):
        return self.copies[kind].executable

    def close(self):
        for copy in self.copies.values():
            copy.__exit__(None, None, None)


# ---- the screen ---------------------------------------------------------------


def _x(x, *command, check=True):
    return subprocess.run(list(command), env=x.env(), capture_output=True, check=check).stdout


def _windows(x):
    return _x(x, "xdotool", "search", "--onlyvisible", "--name", ".", check=False).decode().split()


def _window_pixels(x, window):
    """The window's picture as PPM bytes (no metadata, so equal pictures are equal bytes)."""
    values = dict(line.split("=", 1) for line in _x(x, "xdotool", "getwindowgeometry", "--shell", window)
                  .decode().split())
    geometry = "%sx%s+%s+%s" % (values["WIDTH"], values["HEIGHT"], values["X"], values["Y"])
    return _x(x, "import", "-display", x.display, "-window", "root", "-crop", geometry, "+repage", "ppm:-")


def next_window(x, process, old, timeout):
    """The next alert window other than `old`, once drawn: two pictures of
    it in a row are the same. None if the program ends first."""
    deadline = time.monotonic() + timeout
    while True:
        windows = [w for w in _windows(x) if w != old]
        if windows:
            break
        if process.poll() is not None:
            return None, None
        if time.monotonic() > deadline:
            raise TimeoutError("no alert within %d s" % timeout)
        time.sleep(0.1)
    previous = None
    while True:
        time.sleep(0.3)
        pixels = _window_pixels(x, windows[0])
        if pixels == previous:
            return windows[0], pixels
        if time.monotonic() > deadline:
            raise TimeoutError("the alert was never drawn the same twice")
        previous = pixels


def press_return(x, window):
    """Return, which chooses the alert's first button (its default), given
    to the window (no window manager gives it the focus)."""
    _x(x, "xdotool", "windowfocus", "--sync", window, "key", "Return")


# ---- a run --------------------------------------------------------------------


def language_variable(folder):
    return LANGUAGE_VARIABLE.get(folder, folder)


def shown_language(machine):
    """The language the program's start record names, or None."""
    for record in machine.log_records():
        found = re.match(r'app: start: .* language "([^"]*)"$', record.message)
        if found:
            return found.group(1)
    return None


def render(x, bundles, shot, folder, out):
    """Runs the program for `shot` in `folder`'s language and saves its
    alert as OUT/FOLDER/NAME.png. Returns what went wrong (None when the
    alert was saved) and the language the program chose. The program's
    output goes to OUT/FOLDER/NAME.log, kept when something went wrong."""
    image = os.path.join(out, folder, shot.name + ".png")
    log_path = os.path.join(out, folder, shot.name + ".log")
    problem = None
    with shot.machine() as machine, open(log_path, "wb") as log:
        # Output goes to a file: GNUstep's helper daemons would hold a pipe open.
        process = machine.popen([bundles.executable(shot.bundle)], env=x.env(LANGUAGE=language_variable(folder)),
                                stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        try:
            window = None
            for number in range(shot.before + 1):
                window, pixels = next_window(x, process, window, 40)
                if window is None:
                    problem = "the program ended after %d alert(s)" % number
                    break
                if number < shot.before:
                    press_return(x, window)
            else:
                subprocess.run(["convert", "ppm:-", "-strip", image], input=pixels, check=True, capture_output=True)
        except (TimeoutError, subprocess.CalledProcessError) as error:
            # A window that closed while it was looked at, say: this alert is
            # missing, the others go on.
            problem = str(error)
        finally:
            stop(process)
        language = shown_language(machine)
    if problem is None:
        os.unlink(log_path)
    return problem, language


# ---- the index ------------------------------------------------------------------


def write_index(out, results):
    """OUT/index.html: per language a section with each alert's image and
    name. `results` maps a language folder to [(Shot, problem, language)]."""
    e = html.escape
    parts = ["<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
             "<title>ORVENTA driver assistant: every alert in every language</title>\n<style>\n"
             "body { font-family: sans-serif; margin: 2em; }\n"
             "figure { display: inline-block; vertical-align: top; margin: 0 1.5em 1.5em 0; }\n"
             "figcaption { font-size: 90%; max-width: 40em; }\n"
             "img { border: 1px solid #999; }\n.problem { color: #b00; font-weight: bold; }\n"
             "</style>\n</head>\n<body>\n<h1>Every alert in every language</h1>\n"
             "<p>Each picture is the program's own alert on GNUstep, with the table of its language. "
             "The approval place differs by macOS version: each alert that names it shows once for each "
             "group. Compare every place with the words that language's Mac shows.</p>\n<p>"]
    parts.append(" | ".join('<a href="#%s">%s</a>' % (e(lang), e(lang)) for lang in results))
    parts.append("</p>\n")
    for lang, shots in results.items():
        parts.append('<section id="%s">\n<h2>%s (LANGUAGE=%s)</h2>\n' % (e(lang), e(lang), e(language_variable(lang))))
        for shot, problem, language in shots:
            parts.append("<figure>\n")
            if problem is None:
                parts.append('<img src="%s/%s.png" alt="%s">\n' % (e(lang), e(shot.name), e(shot.caption)))
            caption = "<b>%s</b>: %s" % (e(shot.name), e(shot.caption))
            if problem is not None:
                caption += '<br><span class="problem">not shown: %s (the program\'s output: %s/%s.log)</span>' % (
                    e(problem), e(lang), e(shot.name))
            elif language != lang:
                caption += ('<br><span class="problem">shown from the table "%s", not "%s" (LANGUAGE=%s); the '
                            'other alerts are left out</span>' % (e(str(language)), e(lang),
                                                                  e(language_variable(lang))))
            parts.append("<figcaption>%s</figcaption>\n</figure>\n" % caption)
        parts.append("</section>\n")
    parts.append("</body>\n</html>\n")
    with open(os.path.join(out, "index.html"), "w", encoding="utf-8") as f:
        f.write("".join(parts))


# ---- the command line -------------------------------------------------------------


def bundle_languages():
    """The folder names of every table the test variant's bundle carries, English first."""
    return sorted(shipped_languages(s.test_program()), key=lambda name: name != "en")


def main(argv=None):
    parser = argparse.ArgumentParser(
        prog="scripts/gallery",
        description="Renders every alert of the assistant in every language (or those named) as screenshots, "
                    "with an index.html to open in a browser.")
    parser.add_argument("languages", nargs="*", metavar="LANGUAGE",
                        help="a table's folder name (de, pt-BR, zh-Hant); by default every one the bundle carries")
    parser.add_argument("--out", help="the folder for index.html and the images (default: BUILD/gallery)")
    parser.add_argument("--alerts", help="only these alerts, by name, separated by commas (see --list)")
    parser.add_argument("--list", action="store_true", help="list the alerts' names and what each shows, and end")
    args = parser.parse_args(argv)

    if args.list:
        for shot in SHOTS:
            print("%-38s %s" % (shot.name, shot.caption))
        return 0
    shots = SHOTS
    if args.alerts:
        names = args.alerts.split(",")
        unknown = [n for n in names if n not in [shot.name for shot in SHOTS]]
        if unknown:
            parser.error("no alert named %s (see --list)" % ", ".join(unknown))
        shots = [shot for shot in SHOTS if shot.name in names]
    available = bundle_languages()
    languages = args.languages or available
    unknown = [lang for lang in languages if lang not in available]
    if unknown:
        parser.error("the bundle has no table for %s; it has: %s" % (", ".join(unknown), " ".join(available)))
    out = os.path.abspath(args.out or os.path.join(os.environ["ASSISTANT_BUILD"], "gallery"))
    if os.geteuid() != 0:
        print("scripts/gallery: the simulated Mac needs root (its mount and PID namespaces)", file=sys.stderr)
        return 1

    os.makedirs(out, exist_ok=True)
    for lang in languages:
        folder = os.path.join(out, lang)
        os.makedirs(folder, exist_ok=True)
        for old in os.listdir(folder):
            if old.endswith((".png", ".log")):
                os.unlink(os.path.join(folder, old))
    work = tempfile.mkdtemp(prefix="gallery-", dir=out)
    results = {}
    failed = 0
    try:
        bundles = Bundles(sorted({shot.bundle for shot in shots}), work)
        try:
            with harness.Xvfb(size="1600x1000x24") as x:
                for lang in languages:
                    results[lang] = []
                    for number, shot in enumerate(shots, 1):
                        print("[%s %d/%d] %s" % (lang, number, len(shots), shot.name), flush=True)
                        problem, language = render(x, bundles, shot, lang, out)
                        results[lang].append((shot, problem, language))
                        if problem is None and language != lang:
                            # Every other alert would come from that table too.
                            print("  shown from the table %r, not %r: the language's other alerts are left out"
                                  % (language, lang), flush=True)
                            failed += 1
                            break
                        if problem is not None:
                            print("  not shown: " + problem, flush=True)
                            failed += 1
        finally:
            bundles.close()
    finally:
        shutil.rmtree(work, ignore_errors=True)
        write_index(out, results)
    print("%d alert(s) in %d language(s): %s" % (sum(len(r) for r in results.values()), len(results),
                                                  os.path.join(out, "index.html")))
    if failed:
        print("%d of them not as asked: see the index" % failed, file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
