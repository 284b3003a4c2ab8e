"""The scripts in deploy/ that a management service runs on each Mac, run on
a simulated Mac against the built program: the inventory attribute prints
one `<result>` line and always exits 0; the compliance check prints one line
and exits 0, 1 or 2. Both run under the shell a Mac runs them with (bash in
its POSIX mode) and under a plain POSIX shell (dash), write no file, and
read no input."""

import errno
import os
import shutil
import subprocess
import unittest

import harness
import scenario as s

DEPLOY = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir, "deploy")
ATTRIBUTE = os.path.join(DEPLOY, "driver-state-attribute.sh")
COMPLIANCE = os.path.join(DEPLOY, "driver-state-compliance.sh")

MISSING_LISTING_TOOL = "/usr/bin/systemextensionsctl: " + os.strerror(errno.ENOENT)

# Stand-ins for a program that gives no answer, each a shell script; "$0"
# is its own path.
FAKE_PROGRAMS = {
    # The program writes a line feed in a reason as a backslash and an n.
    "escaped reason": "printf '%s\\n' '/usr/bin/systemextensionsctl: /a\\nb' >&2; echo unknown; exit 3",
    "not written": "echo 'the answer could not be written' >&2; exit 74",
    # Ended by a signal that leaves no core file behind.
    "killed": "kill -KILL $$",
    # The right status with the wrong word.
    "wrong word": "echo notInstalled",
    # Two lines on standard error, the second with a tab that stays.
    "usage error": "printf 'usage: first\\nsecond\\tline\\n' >&2; exit 64",
    # Answers only when its standard input is empty: the test gives the
    # script input, which the program must not get.
    "reads input": "[ -z \"$(cat)\" ] || exit 9; echo enabled",
}


def shells():
    """The shells each script runs under: the Mac's /bin/sh is bash in its
    POSIX mode; dash is a strict POSIX shell."""
    found = [(name, command) for name, command in (("bash", ["bash", "--posix"]), ("dash", ["dash"]))
             if shutil.which(command[0])]
    if not found:
        harness.cannot_run_here("neither bash nor dash is installed")
    return found


class DeployScripts(unittest.TestCase):
    maxDiff = None

    def cases(self):
        """Rows: name, machine, the program (a FAKE_PROGRAMS key, None for
        the shipped one, or "missing"), the script's input, the attribute's
        word, the compliance line and status, and the calls the program
        makes."""
        return [
            ("enabled", s.mac(listing=s.ENABLED, receipt=True), None, None,
             "enabled", "enabled: the driver is installed and enabled", 0, s.DRIVER_STATE),
            ("waiting for approval", s.mac(listing=s.WAITING, receipt=True), None, None,
             "installedNotEnabled", "installedNotEnabled: the driver is installed but not enabled", 1,
             s.DRIVER_STATE),
            ("absent", s.mac(), None, None,
             "notInstalled", "notInstalled: the driver is not installed", 1, s.DRIVER_STATE),
            ("listing tool missing", s.mac(receipt=True, absent=["systemextensionsctl"]), None, None,
             "unknown", "unknown: " + MISSING_LISTING_TOOL, 2, [s.RECEIPT]),
            ("reason with an escape", s.mac(), "escaped reason", None,
             "unknown", "unknown: /usr/bin/systemextensionsctl: /a\\nb", 2, []),
            ("program missing", s.mac(listing=s.ENABLED), "missing", None,
             "assistantMissing", "assistantMissing: {program} is not there or not executable", 2, []),
            ("answer not written", s.mac(), "not written", None,
             "noAnswer", "noAnswer: the assistant ended with status 74: the answer could not be written", 2, []),
            ("program killed", s.mac(), "killed", None,
             "noAnswer", "noAnswer: the assistant ended with status 137 (signal 9)", 2, []),
            ("a word that does not go with the status", s.mac(), "wrong word", None,
             "noAnswer", "noAnswer: the assistant ended with status 0 but without the word for it", 2, []),
            ("usage error", s.mac(), "usage error", None,
             "noAnswer", "noAnswer: the assistant ended with status 64: usage: first\\nsecond\tline", 2, []),
            ("input for the script", s.mac(), "reads input", b"enabled\n",
             "enabled", "enabled: the driver is installed and enabled", 0, []),
        ]

    def program(self, machine, kind):
        if kind is None:
            return s.shipped_program()
        path = os.path.join(machine.root, "DriverAssistant")
        if kind != "missing":
            with open(path, "w") as f:
                f.write("#!/bin/sh\n" + FAKE_PROGRAMS[kind] + "\n")
            os.chmod(path, 0o755)
        return path

    def run_script(self, machine, shell, script, program, script_input):
        result = machine.run(shell + [script], input=script_input,
                             env=harness.plain_environment(DRIVER_ASSISTANT=program))
        # The script's temporary folder (and the program's) is left as it was.
        self.assertEqual(os.listdir(machine.program_tmp()), [])
        return result

    def test_attribute(self):
        for name, machine, kind, script_input, word, _, _, calls in self.cases():
            for shell_name, shell in shells():
                with self.subTest(name, shell=shell_name), machine:
                    program = self.program(machine, kind)
                    result = self.run_script(machine, shell, ATTRIBUTE, program, script_input)
                    self.assertEqual((result.returncode, result.stdout.decode()), (0, "<result>%s</result>\n" % word))
                    self.assertEqual(machine.calls(), calls)
                    if kind is None:
                        # The program's standard error passes through.
                        self.assertEqual(result.stderr.decode(),
                                         MISSING_LISTING_TOOL + "\n" if word == "unknown" else "")

    def test_compliance(self):
        for name, machine, kind, script_input, _, line, status, calls in self.cases():
            for shell_name, shell in shells():
                with self.subTest(name, shell=shell_name), machine:
                    program = self.program(machine, kind)
                    result = self.run_script(machine, shell, COMPLIANCE, program, script_input)
                    self.assertEqual((result.returncode, result.stdout.decode()),
                                     (status, line.format(program=program) + "\n"))
                    self.assertEqual(machine.calls(), calls)

    def test_shellcheck_clean(self):
        if shutil.which("shellcheck") is None:
            harness.cannot_run_here("shellcheck is not installed (scripts/setup installs it)")
        for script in (ATTRIBUTE, COMPLIANCE):
            with self.subTest(os.path.basename(script)):
                self.assertTrue(os.access(script, os.X_OK), "not executable: " + script)
                result = subprocess.run(["shellcheck", "-s", "sh", script], capture_output=True, text=True,
                                                timeout=60)
                self.assertEqual((result.returncode, result.stdout), (0, ""))


if __name__ == "__main__":
    harness.main()
