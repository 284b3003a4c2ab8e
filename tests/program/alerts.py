"""Finding and answering the program's alerts on a private X server.

GNUstep's alert window is named "Alert" and Xvfb has no window manager, so
the buttons are found by reading the alert's own picture (tesseract) and
pressed with xdotool's mouse: key presses would need focus.
"""

import contextlib
import subprocess
import tempfile
import time

import harness


@contextlib.contextmanager
def program(x, arguments, log_path):
    """The built program in normal mode on `x`, its output in `log_path`.

    Output goes to a file: GNUstep's gdnc daemon would keep a pipe open. Each
    program gets a temporary folder of its own (GNUstep reads TEMP): GNUstep
    names its message ports in it by process id, and a contained program is
    always process 1, so two of them side by side would collide. The program is killed if it
    still runs when the block ends.
    """
    with open(log_path, "wb") as log, tempfile.TemporaryDirectory(prefix="assistant-") as private_tmp:
        process = subprocess.Popen(harness.contained([harness.app_path()] + list(arguments)),
                                   env=x.env(TMPDIR=private_tmp, TEMP=private_tmp), stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        try:
            yield process
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()


def alert_windows(x):
    """Ids of the visible windows named "Alert" on the X server `x`."""
    result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Alert$"],
                            env=x.env(), capture_output=True, text=True)
    return [w for w in result.stdout.split() if w]


def watch_alerts(x, process, timeout):
    """Yields each new alert window id while `process` runs, for at most `timeout` seconds."""
    seen = set()
    deadline = time.monotonic() + timeout
    while process.poll() is None and time.monotonic() < deadline:
        for window in alert_windows(x):
            if window not in seen:
                seen.add(window)
                yield window
        time.sleep(0.1)


def geometry(x, window):
    """(left, top, width, height) of a window on the screen."""
    result = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                            env=x.env(), capture_output=True, text=True, check=True)
    values = dict(line.split("=", 1) for line in result.stdout.split())
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def screenshot(x, window, path, showing=(), timeout=15):
    """Saves the window's picture as PNG at `path` once it reads every text in `showing`.

    A freshly mapped window may still be blank, or half drawn on a busy
    machine, so the picture is taken again until the texts can be read.
    Returns the path; the last picture stays there when the texts never show.
    """
    deadline = time.monotonic() + timeout
    while True:
        time.sleep(0.3)
        subprocess.run(["import", "-display", x.display, "-window", window, path],
                       env=x.env(), capture_output=True, check=True)
        read = text(path)
        if all(wanted in read for wanted in showing):
            return path
        if time.monotonic() > deadline:
            raise AssertionError("the alert never showed %r; it reads: %s (picture: %s)" % (showing, read, path))


def words(image):
    """The words tesseract reads in the picture: (text, left, top, width, height)."""
    result = subprocess.run(["tesseract", image, "-", "tsv"], capture_output=True, text=True, check=True)
    found = []
    for line in result.stdout.splitlines()[1:]:
        fields = line.split("\t")
        if len(fields) == 12 and fields[11].strip():
            found.append((fields[11].strip(), *map(int, fields[6:10])))
    return found


def text(image):
    """The words of the picture joined by single spaces."""
    return " ".join(word for word, *_ in words(image))


def press(x, window, image, label):
    """Clicks the button whose one-word `label` appears in the window's picture."""
    matches = [w for w in words(image) if w[0].strip("[]|<>*") == label]
    if not matches:
        raise AssertionError("no button %r in the alert; it reads: %s" % (label, text(image)))
    _, left, top, width, height = matches[-1]  # buttons sit below the texts
    window_left, window_top, _, _ = geometry(x, window)
    subprocess.run(["xdotool", "mousemove", str(window_left + left + width // 2),
                    str(window_top + top + height // 2), "mousedown", "1", "sleep", "0.3", "mouseup", "1"],
                   env=x.env(), check=True, capture_output=True)
