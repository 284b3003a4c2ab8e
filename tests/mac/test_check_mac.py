"""scripts/check-mac against errors planted in a copy of the source tree.

Each case edits one file of the copy; the check, run for one architecture
(both share every source line), must fail and name that file. To keep the
runs few, cases on different files are planted together, each in one run of
the check; a case that needs every other file to compile (the symbol check
looks only at complete builds) runs alone. The copy is checked untouched
first and again after the last run: objects are reused between runs, so the
last run also shows that a repaired file is compiled again rather than
remembered as failed. The check is given a temporary folder of its own as the
system's (TMPDIR), which must stay empty.

Environment: ASSISTANT_SOURCE, the source tree to copy.
"""

import os
import re
import shutil
import subprocess
import tempfile
import unittest

import source_tree

# In the Apple branch of the tool runner (appended, so it does not depend
# on how that file is laid out today): Macs have no pipe2.
APPLE_PIPE2 = """
#ifdef __APPLE__
int plantedPipe(int* fds) { return ::pipe2(fds, 0); }
#endif
"""

# A benchmark that asks for a Linux-only call: Macs have no pipe2.
BENCH_PIPE2 = """
#include <unistd.h>
int plantedBenchPipe(int* fds) { return ::pipe2(fds, 0); }
"""

# Floating-point std::to_chars needs macOS 13.3; the Mac build targets 11.0.
FLOAT_TO_CHARS = """
#include <charconv>
char* plantedDecimal(char* first, char* last, double value) { return std::to_chars(first, last, value).ptr; }
"""

# A Cocoa method newer than the deployment target, called without a guard:
# NSApplication's activate exists from macOS 14 only.
UNGUARDED_ACTIVATE = """
void plantedActivate() { [NSApp activate]; }
"""

# name, file to edit, (pattern, replacement) or text to append, what the
# check's line on the file must say besides its name (for a CMakeLists.txt,
# what some line must say), and whether the case must run alone
CASES = [
    ("misspelt Apple spawn call", "driver/runner/tool_process.cpp",
     (r"posix_spawn_file_actions_addinherit_np\(", "posix_spawn_file_actions_addinherit("),
     "posix_spawn_file_actions_addinherit"),
    ("glibc-only spawn call in the Apple branch", "driver/runner/tool_process.cpp",
     (r"posix_spawn_file_actions_addinherit_np\(([^,()]+),\s*\w+\)", r"posix_spawn_file_actions_addclosefrom_np(\1, 3)"),
     "posix_spawn_file_actions_addclosefrom_np"),
    ("pipe2 in the Apple branch", "driver/runner/run.cpp", APPLE_PIPE2, "pipe2"),
    ("CC_SHA256_Final arguments swapped", "package/sha256_commoncrypto.cpp",
     (r"CC_SHA256_Final\((.+?),\s*(.+?)\);", r"CC_SHA256_Final(\2, \1);"),
     "CC_SHA256_Final"),
    ("NSString passed to openURL:", "ui/open_package_appkit.mm",
     (r"openURL:\s*\[NSURL fileURLWithPath:\s*(\w+)\s*\]", r"openURL:\1"), "NSURL"),
    ("a method Cocoa lacks", "ui/alert_appkit.mm",
     (r"activateIgnoringOtherApps:", "activateIgnoringEveryApp:"), "activateIgnoringEveryApp"),
    ("a method newer than macOS 11 without a guard", "app/application_appkit.mm", UNGUARDED_ACTIVATE,
     "only available on macOS 14.0 or newer"),
    ("floating-point std::to_chars", "driver/classify_driver_state.cpp", FLOAT_TO_CHARS, "unavailable"),
    ("Linux-only header in a unit test", "tests/driver/runner/run_process_test.cpp",
     "\n#include <sys/prctl.h>\n", "sys/prctl.h"),
    ("pipe2 in a benchmark", "bench/runner_bench.cpp", BENCH_PIPE2, "pipe2"),
    ("test source left out of its executable", "tests/package/CMakeLists.txt",
     (r"\bsha256_test\.cpp\b", ""), "tests/package/sha256_test.cpp"),
    ("Mac source left out of the build", "ui/CMakeLists.txt",
     (r"\bopen_package_appkit\.mm\b", ""),
     "ui/open_package_appkit.mm", "alone"),
]
CASES = [case if len(case) == 5 else case + (None,) for case in CASES]


def batches(cases):
    """The cases in runs: at most one case per file in a run, and a case
    marked "alone" in a run of its own."""
    runs = []
    for case in cases:
        for run in runs:
            if case[4] is None and all(other[4] is None and other[1] != case[1] for other in run):
                run.append(case)
                break
        else:
            runs.append([case])
    return runs


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
        source_tree.copy_source_tree(source, cls.tree)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def check(self):
        run = subprocess.run([os.path.join(self.tree, "scripts", "check-mac"), "--arch", "arm64"],
                             capture_output=True, text=True, timeout=250,
                             env=dict(os.environ, TMPDIR=self.temporary))
        self.assertEqual(os.listdir(self.temporary), [], "the check left files in the temporary folder")
        return run.returncode, run.stdout, run.stderr

    def test_planted_errors_fail_and_name_the_file(self):
        status, out, err = self.check()
        self.assertEqual(status, 0, "the untouched copy must pass:\n" + out + err)

        for run in batches(CASES):
            originals = {}
            try:
                for name, file, edit, expected, _ in run:
                    path = os.path.join(self.tree, file)
                    with open(path) as f:
                        originals[path] = f.read()
                    changed = planted(originals[path], edit)
                    with open(path, "w") as f:
                        f.write(changed)
                status, out, err = self.check()
            finally:
                for path, original in originals.items():
                    with open(path, "w") as f:
                        f.write(original)
            failures = [line for line in out.splitlines() if line.startswith("FAIL ")]
            for name, file, edit, expected, _ in run:
                with self.subTest(name):
                    self.assertEqual(status, 1, out + err)
                    if file.endswith("CMakeLists.txt"):
                        self.assertTrue(any(expected in line for line in failures), out)
                    else:
                        self.assertTrue(any(line.startswith(f"FAIL {file} ") and expected in line
                                            for line in failures), out + err)

        status, out, err = self.check()
        self.assertEqual(status, 0, "the repaired copy must pass again:\n" + out + err)


if __name__ == "__main__":
    unittest.main()
