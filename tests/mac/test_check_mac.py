"""scripts/check-mac against errors planted in a copy of the source tree.

Each case edits one file of the copy, runs the check for one architecture
(both share every source line) and expects it to fail and name the file.
The copy is checked untouched first and again after the last case: objects
are reused between runs, so the last run also shows that a repaired file is
compiled again rather than remembered as failed.

Environment: ASSISTANT_SOURCE, the source tree to copy.
"""

import os
import re
import shutil
import subprocess
import tempfile
import unittest

# In the Apple branch of the command runner (appended, so it does not depend
# on how that file is laid out today): Macs have no pipe2.
APPLE_PIPE2 = """
#ifdef __APPLE__
int plantedPipe(int* fds) { return ::pipe2(fds, 0); }
#endif
"""

# Floating-point std::to_chars needs macOS 13.3; the Mac build targets 11.0.
FLOAT_TO_CHARS = """
#include <charconv>
char* plantedDecimal(char* first, char* last, double value) { return std::to_chars(first, last, value).ptr; }
"""

# name, file to edit, (pattern, replacement) or text to append, what the
# check's output must say besides the file's name
CASES = [
    ("misspelt Apple spawn call", "driver/tool_process_posix.cpp",
     (r"posix_spawn_file_actions_addinherit_np\(", "posix_spawn_file_actions_addinherit("),
     "posix_spawn_file_actions_addinherit"),
    ("glibc-only spawn call in the Apple branch", "driver/tool_process_posix.cpp",
     (r"posix_spawn_file_actions_addinherit_np\(([^,()]+),\s*\w+\)", r"posix_spawn_file_actions_addclosefrom_np(\1, 3)"),
     "posix_spawn_file_actions_addclosefrom_np"),
    ("pipe2 in the Apple branch", "driver/command_posix.cpp", APPLE_PIPE2, "pipe2"),
    ("CC_SHA256_Final arguments swapped", "package/sha256_commoncrypto.cpp",
     (r"CC_SHA256_Final\((.+?),\s*(.+?)\);", r"CC_SHA256_Final(\2, \1);"),
     "CC_SHA256_Final"),
    ("NSString passed to openURL:", "ui/open_package_appkit.mm",
     (r"openURL:\s*\[NSURL fileURLWithPath:\s*(\w+)\s*\]", r"openURL:\1"), "NSURL"),
    ("a method Cocoa lacks", "ui/alert_appkit.mm",
     (r"activateIgnoringOtherApps:", "activateIgnoringEveryApp:"), "activateIgnoringEveryApp"),
    ("floating-point std::to_chars", "driver/classify_driver_state.cpp", FLOAT_TO_CHARS, "unavailable"),
    ("Mac source left out of the build", "ui/CMakeLists.txt",
     (r"\bopen_package_appkit\.mm\b", ""),
     "ui/open_package_appkit.mm"),
]


def planted(text, edit):
    """The text with the error planted; fails if the edit changes nothing."""
    if isinstance(edit, str):
        return text + edit
    pattern, replacement = edit
    changed, count = re.subn(pattern, replacement, text)
    if count == 0:
        raise AssertionError(f"the pattern {pattern!r} no longer matches; update the case")
    return changed


class CheckMacTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="check-mac-")
        cls.tree = os.path.join(cls.scratch, "tree")
        cls.temporary = os.path.join(cls.scratch, "tmp")
        os.mkdir(cls.temporary)
        source = os.environ["ASSISTANT_SOURCE"]
        shutil.copytree(source, cls.tree, symlinks=True,
                        ignore=lambda folder, names: [n for n in names if os.path.samefile(folder, source)
                                                      and (n.startswith("build") or n == ".git")])

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def check(self):
        run = subprocess.run([os.path.join(self.tree, "scripts", "check-mac"), "--arch", "arm64"],
                             capture_output=True, text=True, timeout=240,
                             env=dict(os.environ, TMPDIR=self.temporary))
        return run.returncode, run.stdout, run.stderr

    def test_planted_errors_fail_and_name_the_file(self):
        status, out, err = self.check()
        self.assertEqual(status, 0, "the untouched copy must pass:\n" + out + err)

        for name, file, edit, expected in CASES:
            with self.subTest(name):
                path = os.path.join(self.tree, file)
                with open(path) as f:
                    original = f.read()
                changed = planted(original, edit)
                with open(path, "w") as f:
                    f.write(changed)
                try:
                    status, out, err = self.check()
                finally:
                    with open(path, "w") as f:
                        f.write(original)
                self.assertEqual(status, 1, out + err)
                failures = [line for line in out.splitlines() if line.startswith("FAIL ")]
                self.assertTrue(any(file in line or expected in line for line in failures), out)
                self.assertIn(expected, out)
                if not file.endswith("CMakeLists.txt"):
                    self.assertTrue(any(line.startswith(f"FAIL {file} ") for line in failures), out)

        status, out, err = self.check()
        self.assertEqual(status, 0, "the repaired copy must pass again:\n" + out + err)


if __name__ == "__main__":
    unittest.main()
