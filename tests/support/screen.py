"""Reading and answering the program's alerts on a private X server, the way
a user does: by what the screen shows. GNUstep names each alert window by
its style ("Alert", "Information", "Critical"). The alert's title is its
headline, the top line of the window: it is read from a screenshot with
tesseract. Buttons are found by their text and pressed with the mouse
(without a window manager, keys would need focus)."""

import os
import subprocess
import time
import unicodedata


def _x(x, *command, check=True):
    return subprocess.run(list(command), env=x.env(), capture_output=True, text=True, check=check).stdout


def alert_windows(x):
    """The visible windows that have a name: the program has no other."""
    return _x(x, "xdotool", "search", "--onlyvisible", "--name", ".", check=False).split()


def _geometry(x, window):
    values = dict(line.split("=", 1) for line in _x(x, "xdotool", "getwindowgeometry", "--shell", window).split())
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


class Line:
    """One line of text that tesseract read: its words and their boxes on the screen."""

    def __init__(self):
        self.words = []  # (text, left, top, width, height)

    @property
    def text(self):
        return " ".join(w[0] for w in self.words)


class Shown:
    """One alert on the screen: its window, its place on the screen (left,
    top, width, height), its saved screenshot and its text."""

    def __init__(self, x, window, box, name, image, lines):
        self.x, self.window, self.box, self.name, self.image, self.lines = x, window, box, name, image, lines

    @property
    def title(self):
        # The headline stands at the top, beside the icon, above the message.
        return self.lines[0].text.strip("|[]() ") if self.lines else ""

    def text(self):
        return "\n".join(line.text for line in self.lines)

    def icon_box(self):
        """The square at the window's top left corner, up to the headline:
        where the alert shows the application's icon."""
        left, top = self.box[0], self.box[1]
        size = self.lines[0].words[0][1] - left
        return left, top, size, size

    def press(self, label):
        """Clicks the button whose text is `label`: the last line (buttons
        sit under the message) that holds its words in order."""
        wanted = label.lower().split()
        for line in reversed(self.lines):
            texts = [w[0].lower().strip("|[]<>*") for w in line.words]
            for i in range(len(texts) - len(wanted) + 1):
                if texts[i:i + len(wanted)] == wanted:
                    first, last = line.words[i], line.words[i + len(wanted) - 1]
                    x = (first[1] + last[1] + last[3]) // 2
                    y = first[2] + first[4] // 2
                    _x(self.x, "xdotool", "mousemove", str(x), str(y), "mousedown", "1", "sleep", "0.3", "mouseup", "1")
                    return
        raise AssertionError("no button %r on the alert %s; it reads:\n%s" % (label, self.image, self.text()))


def read_lines(image, left, top, scale, language="eng"):
    """The text lines tesseract finds in `image` with its data for `language`
    (eng, deu, chi_sim, kor, rus, tha), with boxes in screen pixels (the
    picture shows the screen from (left, top), enlarged `scale` times)."""
    tsv = subprocess.run(["tesseract", image, "-", "-l", language, "--psm", "11", "tsv"], capture_output=True,
                         text=True, check=True).stdout
    lines = {}
    for row in tsv.splitlines()[1:]:
        fields = row.split("\t")
        # The alert's icon reads as a stray sign or two: keep words only.
        # Thai comes a character to a word, and its vowel and tone marks
        # (neither letters nor digits) as words of their own.
        if len(fields) == 12 and any(c.isalnum() or unicodedata.category(c) == "Mn" for c in fields[11]):
            key = tuple(fields[1:5])  # page, block, paragraph, line
            box = [int(v) // scale for v in fields[6:10]]
            lines.setdefault(key, Line()).words.append((fields[11].strip(), left + box[0], top + box[1], box[2], box[3]))
    return sorted(lines.values(), key=lambda line: (line.words[0][2], line.words[0][1]))


def next_alert(x, process, folder, number, timeout=30, language="eng"):
    """Waits for an alert window, saves a screenshot of the screen as
    alert-NUMBER.png in `folder` and reads it (tesseract's `language`). None
    if the program ends first."""
    deadline = time.monotonic() + timeout
    while True:
        windows = alert_windows(x)
        if windows:
            break
        if process.poll() is not None:
            return None
        if time.monotonic() > deadline:
            raise AssertionError("no alert within %d s" % timeout)
        time.sleep(0.1)
    window = windows[0]
    name = _x(x, "xdotool", "getwindowname", window).strip()
    shot = os.path.join(folder, "alert-%d.png" % number)
    crop = os.path.join(folder, "alert-%d-ocr.png" % number)
    scale = 2
    # A window just mapped may be blank or half drawn, more so on a busy
    # machine: it counts as drawn once two pictures in a row read the same.
    previous = None
    while True:
        time.sleep(0.3)
        _x(x, "import", "-display", x.display, "-window", "root", shot)
        left, top, width, height = _geometry(x, window)
        # Enlarged and gray, the small GUI font reads much more reliably.
        subprocess.run(["convert", shot, "-crop", "%dx%d+%d+%d" % (width, height, left, top), "+repage",
                        "-colorspace", "gray", "-resize", "%d%%" % (100 * scale), crop],
                       check=True, capture_output=True)
        lines = read_lines(crop, left, top, scale, language)
        text = [line.text for line in lines]
        if text and text == previous:
            return Shown(x, window, (left, top, width, height), name, shot, lines)
        if time.monotonic() > deadline:
            raise AssertionError("the alert never read the same twice; last: %r (%s)" % (text, shot))
        previous = text


def main_color(image):
    """The most frequent opaque colour of `image` (such as an icon), as
    ImageMagick writes it (#RRGGBB)."""
    # Reduced to a few colours first, so that the shades of an edge count
    # with the colour they belong to.
    histogram = subprocess.run(["convert", image, "-colors", "8", "-format", "%c", "histogram:info:-"],
                               capture_output=True, text=True, check=True).stdout
    counts = []
    for line in histogram.splitlines():
        count, rest = line.split(":", 1)
        color = rest.split()[-2]  # "#RRGGBBAA" or "#RRGGBB", before the colour's name
        if len(color) == 9 and color.endswith("00"):
            continue  # transparent
        counts.append((int(count), color[:7]))
    return max(counts)[1]


def share_of_color(image, box, color, fuzz="10%"):
    """The share (0 to 1) of the pixels in `box` (left, top, width, height)
    of `image` that lie within `fuzz` of `color`."""
    left, top, width, height = box
    return float(subprocess.run(
        ["convert", image, "-crop", "%dx%d+%d+%d" % (width, height, left, top), "+repage", "-alpha", "off",
         "-fuzz", fuzz, "-fill", "black", "+opaque", color, "-fill", "white", "-opaque", color,
         "-format", "%[fx:mean]", "info:"], capture_output=True, text=True, check=True).stdout)


def press_escape(x, shown):
    """Gives the alert's window the keyboard focus and presses Escape (no
    window manager gives it the focus by itself)."""
    _x(x, "xdotool", "windowfocus", "--sync", shown.window, "key", "Escape")


def wait_closed(x, shown, process, timeout=15):
    """Waits until the alert's window is gone (or the program has ended)."""
    deadline = time.monotonic() + timeout
    while shown.window in alert_windows(x) and process.poll() is None:
        if time.monotonic() > deadline:
            raise AssertionError("the alert %r stayed open after its button was pressed" % shown.title)
        time.sleep(0.1)
