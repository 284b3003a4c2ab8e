"""The tests pass wherever the checkout lives: in a folder only root may
enter (root's 0700 home) and under /tmp, which the simulated Macs replace
with a /tmp of their own. Each case stands for what a checkout there meets,
without cloning and building again."""

import os
import shutil
import subprocess
import tempfile
import unittest

import harness
import source_tree
from bundles import test_program
from sandbox import Machine

# The tests that run a part as another user (tests/package).
AS_ANOTHER_USER = "PrivateCopy.ItsFolderIsTheUsersWhateverTheUmask:StaleCopies.OneThatResistsRemovalIsSkipped"


class CheckoutAnywhere(unittest.TestCase):
    def test_another_users_part_under_a_private_folder(self):
        if os.geteuid() != 0:
            harness.cannot_run_here("only root has a folder that another user cannot pass through")
        program = os.path.join(os.environ["ASSISTANT_BUILD"], "tests", "package", "package_test")
        private = tempfile.mkdtemp(prefix="private-home-")  # 0700, root's
        try:
            tmp = os.path.join(private, "clone", "build", "test-tmp")
            os.makedirs(tmp)
            os.chmod(tmp, 0o1777)
            run = subprocess.run([program, "--gtest_filter=" + AS_ANOTHER_USER], capture_output=True, text=True,
                                 env=dict(os.environ, TMPDIR=tmp), timeout=60)
            self.assertEqual(run.returncode, 0, run.stdout[-3000:] + run.stderr[-3000:])
            self.assertNotIn("SKIPPED", run.stdout)
            self.assertEqual(os.listdir(tmp), [])
        finally:
            shutil.rmtree(private, ignore_errors=True)

    def test_a_program_under_tmp_on_a_mac_with_its_own_tmp(self):
        # As the build of a checkout in /tmp: the program and its package
        # stay visible, and its copy goes to the machine's own /tmp.
        folder = tempfile.mkdtemp(prefix="checkout-", dir="/tmp")
        try:
            bundle = os.path.dirname(test_program())
            copy = os.path.join(folder, "build", os.path.basename(bundle))
            shutil.copytree(bundle, copy, symlinks=True)
            with Machine(replies={}, private_tmp=True) as machine:
                program = os.path.join(copy, os.path.basename(test_program()))
                result = machine.run(["sh", "-c", 'unset TMPDIR; exec "$0" --self-check', program],
                                     env=harness.plain_environment())
                # No stand-in answers: the signature check fails, after
                # the copy was made in the machine's /tmp.
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertEqual(machine.calls()[0][:2], ["/usr/sbin/pkgutil", "--check-signature"])
                self.assertTrue(machine.calls()[0][2].startswith("/tmp/com.orventa.DriverAssistant."),
                                machine.calls())
        finally:
            shutil.rmtree(folder, ignore_errors=True)

    def test_a_copy_of_the_tree_takes_its_tracked_sources_only(self):
        if shutil.which("git") is None:
            harness.cannot_run_here("git is not installed")
        scratch = tempfile.mkdtemp(prefix="source-tree-")
        try:
            tree = os.path.join(scratch, "tree")
            os.makedirs(os.path.join(tree, "src"))
            for name in ("CMakeLists.txt", "src/a.cpp"):
                with open(os.path.join(tree, name), "w") as f:
                    f.write(name)
            os.symlink("a.cpp", os.path.join(tree, "src", "link.cpp"))
            git = ["git", "-C", tree, "-c", "user.name=t", "-c", "user.email=t@t"]
            subprocess.run(git[:3] + ["init", "-q"], check=True)
            subprocess.run(git + ["add", "."], check=True)
            subprocess.run(git + ["commit", "-qm", "t"], check=True)
            # Build folders of any name, and files that were never added.
            for name in ("out/CMakeCache.txt", "build/x", "src/scratch.o"):
                os.makedirs(os.path.dirname(os.path.join(tree, name)), exist_ok=True)
                open(os.path.join(tree, name), "w").close()
            copy = os.path.join(scratch, "copy")
            source_tree.copy_source_tree(tree, copy)
            found = sorted(os.path.relpath(os.path.join(folder, name), copy)
                           for folder, _, names in os.walk(copy) for name in names)
            self.assertEqual(found, ["CMakeLists.txt", "src/a.cpp", "src/link.cpp"])
            self.assertEqual(os.readlink(os.path.join(copy, "src", "link.cpp")), "a.cpp")
        finally:
            shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    harness.main()
