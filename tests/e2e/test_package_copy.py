"""The package that is checked and opened is the one that was hashed: the
program copies it, in the same pass as the hash, into a private folder, and
every tool gets that copy. Run on a simulated Mac whose tools record the
SHA-256 of the file they are given, while one of them swaps the bundle's
package; with a package that shrinks while it is read, or is no file at all;
and with copies of earlier runs in the temporary folder."""

import errno
import glob
import os
import shlex
import signal
import stat
import subprocess
import sys
import time
import unittest

import harness
import scenario as s
from bundles import file_digest, fixture_digest
from sandbox import stop
from scenario import Reply

PREFIX = "com.orventa.DriverAssistant."


def private_copies(folder):
    """The private copy folders in a temporary folder."""
    return sorted(glob.glob(os.path.join(folder, PREFIX + "*")))


def record_digest(tool, argument):
    """A stand-in script that appends TOOL and the SHA-256 of its argument
    number ARGUMENT to the state folder's digests file."""
    return 'printf "%s %%s\\n" "$(sha256sum "$%d" | cut -c1-64)" >> "$ASSISTANT_STATE/digests"\n' % (tool, argument)


def swap(path):
    """A stand-in script that puts other bytes at PATH."""
    return "printf 'an older package, signed by the vendor too\\n' > %s\n" % shlex.quote(path)


class SwappedWhileChecked(unittest.TestCase):
    """A tool that replaces the bundle's package while it runs changes
    nothing that a later tool or the Installer gets."""

    def test_every_tool_gets_the_hashed_bytes(self):
        cases = [
            # name, tool that swaps the package, self-check or normal mode
            ("swap in pkgutil, normal mode", "pkgutil", False),
            ("swap in spctl, normal mode", "spctl", False),
            ("swap in pkgutil, self-check", "pkgutil", True),
            ("swap in spctl, self-check", "spctl", True),
        ]
        for name, swapper, self_check in cases:
            with self.subTest(name), s.BundleCopy(s.test_program()) as bundle:
                scripts = {"pkgutil": record_digest("pkgutil", 2), "spctl": record_digest("spctl", 4)}
                scripts[swapper] += swap(bundle.package)
                machine = s.mac(check_signature=Reply(s.signature(), script=scripts["pkgutil"]),
                                assessment=Reply(b"accepted\n", script=scripts["spctl"]),
                                installer=Reply(script=record_digest("xdg-open", 1)))
                with machine:
                    if self_check:
                        result = machine.run([bundle.executable, "--self-check"], env=harness.plain_environment())
                        self.assertEqual((result.returncode, result.stdout, result.stderr), (0, b"", b""))
                    else:
                        result = machine.run([bundle.executable], input=b"1\n2\n", env=harness.plain_environment())
                        self.assertEqual(result.returncode, 0, result.stderr[-2000:])
                        self.assertIn(s.COMPLETE_INSTALLATION.title, result.stdout.decode())
                    with open(machine.state_path("digests")) as f:
                        recorded = [line.split() for line in f]
                tools = ["pkgutil", "spctl"] + ([] if self_check else ["xdg-open"])
                self.assertEqual(recorded, [[tool, fixture_digest()] for tool in tools])
                self.assertNotEqual(file_digest(bundle.package), fixture_digest(), "the swap did not happen")


class NotAFile(unittest.TestCase):
    """A package that is not a regular file ends the check at once with the
    system's error and the path."""

    def test_refused_at_once(self):
        def fifo(path):
            os.unlink(path)
            os.mkfifo(path)

        def link_to_zero(path):
            os.unlink(path)
            os.symlink("/dev/zero", path)

        def folder(path):
            os.unlink(path)
            os.mkdir(path)

        cases = [
            # name, change of the package, the system's error
            ("a FIFO", fifo, errno.EINVAL),
            ("a link to /dev/zero", link_to_zero, errno.EINVAL),
            ("a folder", folder, errno.EISDIR),
        ]
        for name, change, error in cases:
            with s.BundleCopy(s.test_program(), change=change) as bundle:
                message = "Cannot read %s: %s" % (bundle.package, os.strerror(error))
                with self.subTest(name + ", self-check"), s.mac() as machine:
                    result = machine.run([bundle.executable, "--self-check"], env=harness.plain_environment(),
                                         timeout=20)
                    self.assertEqual((result.returncode, result.stdout, result.stderr.decode()),
                                     (1, b"", message + "\n"))
                    self.assertEqual(machine.calls(), [])
                    self.assertEqual(private_copies(machine.program_tmp()), [])
                with self.subTest(name + ", normal mode"), s.mac() as machine:
                    result = machine.run([bundle.executable], input=b"1\n1\n", env=harness.plain_environment(),
                                         timeout=20)
                    self.assertEqual(result.stdout.decode(), s.driver_required().terminal_text()
                                     + s.unable_to_continue(message).terminal_text())
                    self.assertEqual(result.returncode, 0)
                    self.assertEqual(private_copies(machine.program_tmp()), [])


class ShrunkWhileRead(unittest.TestCase):
    """A large package shortened by another process while the self-check
    reads it: exit 1 with one line, never a signal, and no copy left."""

    def test_self_check_fails_with_one_line(self):
        size = 256 * 2**20

        def large(path):
            # Sparse: quick to make, read at full speed.
            os.truncate(path, size)

        with s.BundleCopy(s.test_program(), change=large) as bundle, s.mac() as machine:
            process = machine.popen([bundle.executable, "--self-check"], env=harness.plain_environment(),
                                    stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            try:
                # The copy grows as the package is read: shorten the package
                # as soon as the read has begun.
                tmp = machine.program_tmp()
                copied = 0
                deadline = time.monotonic() + 30
                while copied == 0 and time.monotonic() < deadline and process.poll() is None:
                    for folder in private_copies(tmp):
                        try:
                            copied = os.path.getsize(os.path.join(folder, "CH34xVCPDriver.pkg"))
                        except OSError:
                            pass
                    time.sleep(0.001)
                os.truncate(bundle.package, 4096)
                out, err = process.communicate(timeout=60)
            finally:
                stop(process)
            self.assertLess(copied, size, "the read had ended before the package was shortened")
            self.assertEqual((process.returncode, out, err.decode()), (1, b"", s.DIGEST_MISMATCH + "\n"))
            self.assertEqual(private_copies(tmp), [])


class PrivateCopyLifetime(unittest.TestCase):
    """Normal mode keeps the copy it opened; a failed check and the
    self-check leave none; copies of earlier runs go after a day."""

    def run_in(self, machine, tmp, command, answers):
        """Runs `command` (a list) with TMPDIR set to `tmp`."""
        return machine.run(["sh", "-c", 'TMPDIR="$0" exec "$@"', tmp] + command,
                           input="".join(a + "\n" for a in answers).encode(), env=harness.plain_environment())

    def test_opened_copy_is_private_and_whole(self):
        copy = s.PrivateCopy()
        with s.BundleCopy(s.test_program()) as bundle, s.mac() as machine:
            result = machine.run([bundle.executable], input=b"1\n2\n", env=harness.plain_environment())
            self.assertEqual(result.returncode, 0)
            self.assertEqual(machine.calls(), s.DRIVER_STATE + s.verification(copy) + s.opening(copy))
            folders = private_copies(machine.program_tmp())
            self.assertEqual([os.path.join(f, "CH34xVCPDriver.pkg") for f in folders], [copy.path])
            self.assertEqual(stat.S_IMODE(os.lstat(folders[0]).st_mode), 0o700)
            with open(copy.path, "rb") as f, open(bundle.package, "rb") as g:
                self.assertEqual(f.read(), g.read())

    def test_failed_checks_and_self_check_leave_no_copy(self):
        other_signer = Reply(s.signature("Developer ID Installer: Someone Else (ABCDE12345)"))
        cases = [
            # name, machine, change of the package, arguments, answers
            ("digest differs", s.mac(), s.change_first_byte, [], ["1", "1"]),
            ("another signer", s.mac(check_signature=other_signer), None, [], ["1", "1"]),
            ("assessment refuses", s.mac(assessment=Reply(b"rejected\n", 3)), None, [], ["1", "1"]),
            ("spctl missing", s.mac(absent=["spctl"]), None, [], ["1", "1"]),
            ("the installer does not open", s.mac(installer=Reply(status=3)), None, [], ["1", "1"]),
            ("self-check passes", s.mac(), None, ["--self-check"], []),
            ("self-check fails", s.mac(assessment=Reply(b"rejected\n", 3)), None, ["--self-check"], []),
        ]
        for name, machine, change, arguments, answers in cases:
            with self.subTest(name), s.BundleCopy(s.test_program(), change=change) as bundle, machine:
                result = machine.run([bundle.executable] + arguments, input="".join(a + "\n" for a in answers).encode(),
                                     env=harness.plain_environment())
                self.assertIn(result.returncode, (0, 1))
                self.assertEqual(private_copies(machine.program_tmp()), [])

    def test_copies_of_earlier_runs_older_than_a_day_are_removed(self):
        # By normal mode and by the self-check, so that the copies of
        # self-checks that were killed do not pile up either.
        for mode, arguments, answers in (("normal mode", [], ["1", "2"]), ("self-check", ["--self-check"], [])):
            with self.subTest(mode), s.BundleCopy(s.test_program()) as bundle, s.mac() as machine:
                tmp = os.path.join(machine.root, "user tmp")
                os.mkdir(tmp)
                day = 24 * 3600
                made = {}
                for name, age, mode_bits in [("old", 2 * day, 0o700), ("fresh", 3600, 0o700),
                                             ("shared", 2 * day, 0o755)]:
                    folder = os.path.join(tmp, PREFIX + name.ljust(6, "0")[:6])
                    os.mkdir(folder)
                    with open(os.path.join(folder, "CH34xVCPDriver.pkg"), "wb") as f:
                        f.write(b"an earlier run's copy")
                    os.chmod(folder, mode_bits)
                    os.utime(folder, (time.time() - age, time.time() - age))
                    made[name] = folder
                result = self.run_in(machine, tmp, [bundle.executable] + arguments, answers)
                self.assertEqual(result.returncode, 0, result.stderr[-2000:])
                left = private_copies(tmp)
                self.assertNotIn(made["old"], left)
                self.assertIn(made["fresh"], left)
                self.assertIn(made["shared"], left)
                if arguments:
                    self.assertEqual(len(left), 2)
                else:
                    # And this run's own copy, the one it opened.
                    opened = machine.calls()[-1][-1]
                    self.assertEqual(len(left), 3)
                    self.assertIn(os.path.dirname(opened), left)


class HugePackage(unittest.TestCase):
    """A file far larger than any driver package is refused from its size,
    before a byte of it is read or copied."""

    def test_refused_at_once(self):
        def sparse(path):
            os.truncate(path, 5 * 2**30)

        with s.BundleCopy(s.test_program(), change=sparse) as bundle, s.mac() as machine:
            start = time.monotonic()
            result = machine.run([bundle.executable, "--self-check"], env=harness.plain_environment(), timeout=30)
            took = time.monotonic() - start
            self.assertEqual((result.returncode, result.stdout, result.stderr.decode()),
                             (1, b"", s.DIGEST_MISMATCH + "\n"))
            self.assertLess(took, 2)
            self.assertEqual(os.listdir(machine.program_tmp()), [])
            self.assertEqual(machine.calls(), [])


# Runs inside the simulated Mac: starts the program (the arguments after
# SIGNAL PHASE ANSWERS), sends SIGNAL once the phase has begun, and prints the
# program's return code, then the processes left running ("stat args" lines).
# Phase "read": the private copy has its first bytes and the program is
# stopped while it is checked to be partial; "tool": the stand-in pkgutil has
# started.
SIGNAL_DRIVER = r"""
import glob, os, resource, subprocess, sys, time
resource.setrlimit(resource.RLIMIT_CORE, (0, 0))  # SIGABRT dumps core by default: not in a test
sig, phase, answers, command = int(sys.argv[1]), sys.argv[2], sys.argv[3].encode(), sys.argv[4:]
state = os.environ["ASSISTANT_STATE"]
program = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
program.stdin.write(answers)
program.stdin.close()
copy = os.path.join(os.environ["TMPDIR"], "com.orventa.DriverAssistant.*", "CH34xVCPDriver.pkg")
def begun():
    if phase == "tool":
        return os.path.exists(os.path.join(state, "tool-started"))
    return any(os.path.getsize(path) > 0 for path in glob.glob(copy) if os.path.exists(path))
deadline = time.monotonic() + 20
while not begun() and time.monotonic() < deadline and program.poll() is None:
    time.sleep(0.001)
if phase == "read":
    os.kill(program.pid, 19)  # SIGSTOP
    print("copied", max(os.path.getsize(path) for path in glob.glob(copy)))
os.kill(program.pid, sig)
if phase == "read":
    os.kill(program.pid, 18)  # SIGCONT
print("status", program.wait(timeout=20))
print(subprocess.run(["ps", "-e", "-o", "stat=,args="], capture_output=True, text=True).stdout)
"""


class EndingSignals(unittest.TestCase):
    """SIGINT, SIGTERM or SIGHUP while the package is read or a tool checks
    it: the tool's group goes, then the copy, then the program ends by the
    signal."""

    def test_nothing_left_behind(self):
        large = 400 * 2**20  # below the size bound, and read for a while

        def grow(path):
            os.truncate(path, large)

        starts = 'touch "$ASSISTANT_STATE/tool-started"; sleep 60\n'
        with s.BundleCopy(s.test_program(), change=grow) as big, s.BundleCopy(s.test_program()) as fixture, \
                s.mac(check_signature=Reply(s.signature(), script=starts)) as machine:
            for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
                for phase, bundle in (("read", big), ("tool", fixture)):
                    for mode, arguments, answers in (("normal mode", [], "1\n"), ("self-check", ["--self-check"], "")):
                        with self.subTest("%s during the %s, %s" % (sig.name, phase, mode)):
                            if os.path.exists(machine.state_path("tool-started")):
                                os.unlink(machine.state_path("tool-started"))
                            result = machine.run([sys.executable, "-c", SIGNAL_DRIVER, str(int(sig)), phase, answers,
                                                  bundle.executable] + arguments,
                                                 env=harness.plain_environment(ASSISTANT_STATE=machine.state_path()))
                            lines = result.stdout.decode().splitlines()
                            self.assertIn("status %d" % -sig, lines, result.stderr.decode()[-2000:])
                            if phase == "read":
                                copied = int(lines[0].split()[1])
                                self.assertLess(copied, large, "the read had ended before the signal")
                            self.assertEqual(private_copies(machine.program_tmp()), [])
                            # The program, the stand-in and its sleep, not ended ("Z": ended, not
                            # yet reaped by the namespace's first process).
                            processes = [line.split(None, 1) for line in lines[lines.index("status %d" % -sig) + 1:]
                                         if line.strip()]
                            left = [args for stat_, args in processes if not stat_.startswith("Z") and (
                                args.startswith(bundle.executable) or args.startswith("sleep")
                                or "/usr/sbin/pkgutil" in args.split()[:3])]
                            self.assertEqual(left, [], "processes left behind")


    def test_a_fault_signal_during_a_hanging_assessment(self):
        # SIGABRT, as abort() and an uncaught exception end in, while spctl
        # hangs: the tool, then the copy, then the program ends by it.
        starts = 'touch "$ASSISTANT_STATE/tool-started"; sleep 60\n'
        with s.BundleCopy(s.test_program()) as bundle, s.mac(assessment=Reply(script=starts)) as machine:
            result = machine.run([sys.executable, "-c", SIGNAL_DRIVER, str(int(signal.SIGABRT)), "tool", "",
                                  bundle.executable, "--self-check"],
                                 env=harness.plain_environment(ASSISTANT_STATE=machine.state_path()))
            lines = result.stdout.decode().splitlines()
            status = "status %d" % -signal.SIGABRT
            self.assertIn(status, lines, result.stderr.decode()[-2000:])
            self.assertEqual(private_copies(machine.program_tmp()), [])
            processes = [line.split(None, 1) for line in lines[lines.index(status) + 1:] if line.strip()]
            left = [args for stat_, args in processes if not stat_.startswith("Z") and (
                args.startswith(bundle.executable) or args.startswith("sleep")
                or "/usr/sbin/spctl" in args.split()[:3])]
            self.assertEqual(left, [], "processes left behind")


class FileSizeLimit(unittest.TestCase):
    """A file-size limit (ulimit -f) below the package's size: the copy's
    write fails like any failed write, instead of the limit's signal ending
    the program half way."""

    def test_the_self_check_fails_with_one_line_and_no_copy(self):
        # Python ignores SIGXFSZ, and the program would inherit that: the
        # program starts with it at its default, as from a shell.
        limited = ["python3", "-c", "import os, resource, signal, sys\n"
                   "signal.signal(signal.SIGXFSZ, signal.SIG_DFL)\n"
                   "resource.setrlimit(resource.RLIMIT_FSIZE, (512, 512))\n"
                   "os.execv(sys.argv[1], sys.argv[1:])\n"]
        with s.BundleCopy(s.test_program()) as bundle, s.mac() as machine:
            self.assertGreater(os.path.getsize(bundle.package), 512)
            result = machine.run(limited + [bundle.executable, "--self-check"], env=harness.plain_environment())
            self.assertEqual((result.returncode, result.stdout), (1, b""), result.stderr[-2000:])
            self.assertRegex(result.stderr.decode(), r"\ACannot write /\S*/%s\w{6}/CH34xVCPDriver\.pkg: %s\n\Z" % (
                PREFIX.replace(".", r"\."), os.strerror(errno.EFBIG)))
            self.assertEqual(private_copies(machine.program_tmp()), [])
            self.assertEqual(machine.calls(), [], "a tool checked a partial copy")


# Runs as the user nobody: the rest of the command line, with the umask given first.
AS_NOBODY = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "sh", "-c", 'umask "$0"; exec "$@"']


class OtherUsers(unittest.TestCase):
    """Another user on the same Mac cannot get their file checked or
    opened in place of the package, and the user's umask cannot make the
    copy unreadable to the user's own tools."""

    def test_an_open_temporary_folder_is_not_used(self):
        # TMPDIR at 0777 without the sticky bit: another user (nobody),
        # while pkgutil runs, moves the copy's folder away and puts a folder
        # and file of their own in its place.
        substitute = ('setpriv --reuid=nobody --regid=nogroup --clear-groups sh -c \''
                      'd=$(dirname "$1"); mv "$d" "$d.away" && mkdir "$d" && echo other > "$d/CH34xVCPDriver.pkg"'
                      '\' sh "$2" 2>/dev/null\n')
        with s.BundleCopy(s.test_program()) as bundle, \
                s.mac(check_signature=Reply(s.signature(), script=substitute + record_digest("pkgutil", 2)),
                      assessment=Reply(b"accepted\n", script=record_digest("spctl", 4)),
                      installer=Reply(script=record_digest("xdg-open", 1)), private_tmp=True, log=True) as machine:
            shared = os.path.join(machine.root, "shared")
            os.mkdir(shared)
            os.chmod(shared, 0o777)
            result = machine.run(["sh", "-c", 'TMPDIR="$0" exec "$1"', shared, bundle.executable], input=b"1\n2\n",
                                 env=harness.plain_environment())
            self.assertEqual(result.stdout.decode(),
                             s.driver_required().terminal_text() + s.COMPLETE_INSTALLATION.terminal_text(),
                             result.stderr[-2000:])
            with open(machine.state_path("digests")) as f:
                recorded = [line.split() for line in f]
            self.assertEqual(recorded, [[tool, fixture_digest()] for tool in ("pkgutil", "spctl", "xdg-open")])
            # The copy went to the system's temporary folder instead, and the
            # refusal is on record.
            self.assertEqual(os.listdir(shared), [])
            self.assertEqual(len(private_copies(machine.system_tmp())), 1)
            self.assertIn('package: temporary folder "%s" refused: "%s" may be written by other users and has no '
                          'sticky bit; using "/tmp"' % (shared, shared), [r.message for r in machine.log_records()])

    def test_a_restrictive_umask(self):
        # pkgutil names the signer only when it could read the copy.
        reads = 'head -c 1 "$2" >/dev/null && printf "    1. %s\\n" "$0"\n'
        # The program runs as nobody: its bundle goes in the machine's
        # folder, which every user can reach, not in the checkout. Should the
        # program refuse nobody's folder and fall back to "/tmp", or leave its
        # copy behind, the machine's own "/tmp" takes it and goes with the
        # machine: nothing stays in the real one.
        with s.mac(check_signature=Reply(script=reads.replace("$0", s.SIGNER)), private_tmp=True) as machine, \
                s.BundleCopy(s.test_program(), parent=machine.root) as bundle:
            os.chmod(bundle.folder, 0o755)  # made 0700 by mkdtemp
            home = os.path.join(machine.root, "nobody's tmp")
            os.mkdir(home, 0o700)
            os.chown(home, 65534, 65534)
            # The stand-ins, running as nobody too, log their calls.
            for folder, _, files in os.walk(machine.state_path()):
                os.chmod(folder, 0o777)
                for name in files:
                    os.chmod(os.path.join(folder, name), 0o666)
            result = machine.run(["env", "TMPDIR=" + home] + AS_NOBODY + ["0477", bundle.executable],
                                 input=b"1\n2\n", env=harness.plain_environment())
            self.assertEqual(result.stdout.decode(),
                             s.driver_required().terminal_text() + s.COMPLETE_INSTALLATION.terminal_text(),
                             result.stderr[-2000:])
            self.assertEqual(private_copies(machine.system_tmp()), [], "the copy went to the fallback")
            [copy] = private_copies(home)
            self.assertEqual(stat.S_IMODE(os.stat(os.path.join(copy, "CH34xVCPDriver.pkg")).st_mode), 0o600)


if __name__ == "__main__":
    harness.main()
