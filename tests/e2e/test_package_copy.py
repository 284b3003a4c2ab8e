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
import stat
import subprocess
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

    def run_in(self, machine, tmp, program, answers):
        """Runs `program` with TMPDIR set to `tmp`."""
        return machine.run(["sh", "-c", 'TMPDIR="$0" exec "$1"', tmp, program],
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
        with s.BundleCopy(s.test_program()) as bundle, s.mac() as machine:
            tmp = os.path.join(machine.root, "user tmp")
            os.mkdir(tmp)
            day = 24 * 3600
            made = {}
            for name, age, mode in [("old", 2 * day, 0o700), ("fresh", 3600, 0o700), ("shared", 2 * day, 0o755)]:
                folder = os.path.join(tmp, PREFIX + name.ljust(6, "0")[:6])
                os.mkdir(folder)
                with open(os.path.join(folder, "CH34xVCPDriver.pkg"), "wb") as f:
                    f.write(b"an earlier run's copy")
                os.chmod(folder, mode)
                os.utime(folder, (time.time() - age, time.time() - age))
                made[name] = folder
            result = self.run_in(machine, tmp, bundle.executable, ["1", "2"])
            self.assertEqual(result.returncode, 0, result.stderr[-2000:])
            left = private_copies(tmp)
            self.assertNotIn(made["old"], left)
            self.assertIn(made["fresh"], left)
            self.assertIn(made["shared"], left)
            # And this run's own copy, the one it opened.
            opened = machine.calls()[-1][-1]
            self.assertEqual(len(left), 3)
            self.assertIn(os.path.dirname(opened), left)


if __name__ == "__main__":
    harness.main()
