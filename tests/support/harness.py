"""Helpers for tests that start the built program as a user would.

Environment (set by CTest, see tests/CMakeLists.txt):
  ASSISTANT_APP          the shipped program inside its bundle
  ASSISTANT_BUILD        the build folder
  ASSISTANT_TEST_OUTPUT  where screenshots and other test output go
"""

import contextlib
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

SKIP = 77  # CTest's SKIP_RETURN_CODE for these tests


def app_path():
    return os.environ["ASSISTANT_APP"]


def output_dir(*parts):
    path = os.path.join(os.environ.get("ASSISTANT_TEST_OUTPUT", tempfile.gettempdir()), *parts)
    os.makedirs(path, exist_ok=True)
    return path


def in_ci():
    return bool(os.environ.get("CI"))


def cannot_run_here(reason):
    """Stops a test that cannot run on this machine.

    In CI (the CI variable set) this is a failure with the reason; elsewhere
    the whole test program exits with SKIP so CTest reports it as skipped.
    """
    if in_ci():
        raise AssertionError("cannot run in CI: " + reason)
    print("SKIPPED: " + reason, file=sys.stderr)
    sys.stdout.flush()
    os._exit(SKIP)


def plain_environment(**extra):
    """The environment for the program under test, without a display."""
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY")}
    env.update(extra)
    return env


class Xvfb:
    """A private X server on a free display number; stopped on exit."""

    def __init__(self, size="1024x768x24"):
        self.size = size
        self.process = None
        self.display = None

    def __enter__(self):
        if shutil.which("Xvfb") is None:
            cannot_run_here("Xvfb is not installed (scripts/setup installs it)")
        # -displayfd lets the server pick a free display number and tell us
        # once it accepts connections.
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.size, "-nolisten", "tcp",
             # Without -noreset the server resets whenever its last client
             # leaves, and a client connecting meanwhile is refused.
             "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip():
            self.__exit__(None, None, None)
            cannot_run_here("Xvfb did not start")
        self.display = ":" + number.decode().strip()
        return self

    def env(self, **extra):
        return plain_environment(DISPLAY=self.display, **extra)

    def windows(self):
        """Ids of the visible windows that have a name."""
        result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."],
                                env=self.env(), capture_output=True, text=True)
        return [w for w in result.stdout.split() if w]

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.display, "-window", "root", path],
                       env=self.env(), check=True, capture_output=True)
        return path

    def __exit__(self, *exc):
        if self.process is not None and self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()
        return False


@contextlib.contextmanager
def gui_program(x, arguments, log_path, **env):
    """The shipped program in normal mode on the X server `x`, as a Popen.

    GNUstep starts helper daemons (gdnc) that outlive the program: where this
    user may, the program runs in a PID namespace of its own, so they end
    with it. Its output goes to `log_path`, not to a pipe, which such a daemon
    would hold open. It gets a temporary folder of its own (GNUstep reads
    TEMP): GNUstep names its message ports there by process id, and in its
    namespace the program is always process 1, so two side by side would
    collide. `env` adds to its environment (LANGUAGE=de). The program is
    killed if it still runs when the block ends.
    """
    command = [app_path()] + list(arguments)
    if os.geteuid() == 0 and shutil.which("unshare"):
        command = ["unshare", "--pid", "--fork", "--kill-child", "--mount-proc"] + command
    with open(log_path, "wb") as log, tempfile.TemporaryDirectory(prefix="assistant-") as private_tmp:
        process = subprocess.Popen(command,
                                   env=x.env(TMPDIR=private_tmp, TEMP=private_tmp, **env),
                                   stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        try:
            yield process
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()


def main():
    unittest.main()
