"""A simulated Mac for tests of the built program: stand-in system tools at
their real paths, and a "/dev" of the test's choosing, inside a private mount
and PID namespace. Nothing outside the namespace changes, and every process
started in it ends with it.

    from sandbox import Machine, Reply

    machine = Machine(
        replies={"systemextensionsctl": Reply(b"... [activated enabled]\\n"),
                 "pkgutil --pkg-info": Reply(status=1)},
        after_open={"systemextensionsctl": Reply(b"...")},
        dev=["cu.wchusbserial1420"])
    with machine:
        result = machine.run([program], input=b"1\\n")   # CompletedProcess, bytes
        machine.calls()   # [["/usr/bin/systemextensionsctl", "list"], ...]

Stand-ins sit at the paths in STANDINS. Each one appends its whole argument
list (argument zero is the path it was started as) to the call log as one
JSON array per line, then picks its reply by key: "NAME FIRST-ARGUMENT" if the
scenario has that key, else "NAME" (NAME is the tool's file name). A reply is
the bytes it writes to standard output and to standard error, then its exit
status. A reply may also carry a shell script, which the stand-in runs first
(`sh -c SCRIPT NAME ARGUMENTS...`, so "$1"... are the stand-in's own
arguments and $ASSISTANT_STATE is the state folder) and waits for: a tool that
hangs, changes files or records what it was given. The script's output goes
where the stand-in's goes; its status is not used. A stand-in without a reply
says so on standard error and exits 99.

`after_open` holds the replies that apply once the installer has been opened,
that is, once "/usr/bin/xdg-open" has run and exited 0; keys it lacks keep
their earlier reply.

`absent` names stand-ins (by file name) left out, so that starting that
tool fails as it does on a machine without it.

`dev`: None keeps the machine's "/dev"; a list of names gives a "/dev" that
holds only those names (each a character device like /dev/null) beside the
few nodes every program needs (null, zero, full, random, urandom, tty, fd,
stdin, stdout, stderr, pts, shm).

`log=True` gives the machine a system log of its own: a datagram socket that
the test binds and reads, at "/dev/log" inside the namespace, where syslog(3)
writes. log_records() returns what has arrived, in order. The machine then
always has a private "/dev" (with `dev=None`, only the basic nodes). Without
it, there is no "/dev/log" when the machine's own "/dev" has none, and the
program's records go nowhere. `log="unread"` binds the socket but never
reads it: a log whose queue fills up and stays full.

Every machine has a "/tmp" of its own (mode 01777, `system_tmp()` from
outside), so what a program puts in the system's temporary folder stays in
the machine and goes with it: even a faulty build that falls back to the
system's folder leaves nothing in the real one. `private_tmp=False` shares
the real "/tmp" instead. Of the real "/tmp"
it keeps only the entries that hold the machine's folder, the working folder
and the paths the command names (so a checkout under "/tmp" still runs);
each shows in `system_tmp()` as a folder of that name.

A reply with `replace=True` runs its script in place of the stand-in (exec):
the script's process is the tool the program started, and the script's own
output and status are the tool's.

Every command started gets a private temporary folder (TMPDIR and TEMP).

The machine's folder (`root`: stand-ins, state, those temporary folders) is
made under "/tmp", wherever the checkout lives: tools and programs that run
as another user must reach it (a checkout in root's 0700 home is out of
their reach), and GNUstep makes its message ports in the temporary folder,
whose socket paths may not be longer than 107 bytes. It is removed on exit.

Needs root (to make the namespace and its mounts). Without it, `Machine`
stops the test through harness.cannot_run_here: a failure in CI, a skip
elsewhere.
"""

import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import uuid

import harness

STANDINS = ("/usr/bin/systemextensionsctl", "/usr/sbin/pkgutil", "/usr/sbin/spctl", "/usr/bin/xdg-open")

# The stand-ins' interpreter: the system's, which every user may run (a test
# runs some tools as another user), else the one running the tests.
_PYTHON = "/usr/bin/python3" if os.access("/usr/bin/python3", os.X_OK) else sys.executable

_CANNOT_MOUNT = 125  # the namespace's setup failed; the command never ran

# Runs as PID 1 of the new namespace: makes the mounts, then runs the command
# as its child (not exec, so the program is not PID 1 with its odd signal
# rules) and ends with its status, which kills whatever the command left.
_SETUP = r"""
fail() { echo "sandbox: $*" >&2; exit 125; }
S=$1; shift
mount -t overlay sandbox-bin -o "lowerdir=$S/bin:/usr/bin" /usr/bin || fail "cannot overlay /usr/bin"
mount -t overlay sandbox-sbin -o "lowerdir=$S/sbin:/usr/sbin" /usr/sbin || fail "cannot overlay /usr/sbin"
if [ -f "$S/dev-names" ]; then
  D=$S/dev
  mount -t tmpfs -o mode=755 sandbox-dev "$D" || fail "cannot mount a tmpfs for /dev"
  for n in null zero full random urandom tty; do
    touch "$D/$n" && mount --bind "/dev/$n" "$D/$n" || fail "cannot bind /dev/$n"
  done
  ln -s /proc/self/fd "$D/fd"
  ln -s /proc/self/fd/0 "$D/stdin"
  ln -s /proc/self/fd/1 "$D/stdout"
  ln -s /proc/self/fd/2 "$D/stderr"
  mkdir "$D/pts" "$D/shm"
  mount --rbind /dev/pts "$D/pts" || fail "cannot bind /dev/pts"
  mount -t tmpfs -o mode=1777 sandbox-shm "$D/shm" || fail "cannot mount /dev/shm"
  while IFS= read -r n; do
    touch "$D/$n" && mount --bind /dev/null "$D/$n" || fail "cannot make /dev/$n"
  done < "$S/dev-names"
  if [ -S "$S/log.sock" ]; then
    touch "$D/log" && mount --bind "$S/log.sock" "$D/log" || fail "cannot bind /dev/log"
  fi
  mount --move "$D" /dev || fail "cannot move the new /dev into place"
fi
if [ -d "$S/system-tmp" ]; then
  # What the machine needs from the real /tmp stays where it was inside the
  # new one: the machine's own folder, the working folder and every path the
  # command names (a checkout or build under /tmp holds the program), each
  # by the entry of /tmp that holds it.
  for P in "$S" "$PWD" "$@"; do
    case $P in /*) ;; *) continue ;; esac
    [ -e "$P" ] || continue
    P=$(readlink -f -- "$P")
    case $P in /tmp/?*) ;; *) continue ;; esac
    N=${P#/tmp/}
    N=${N%%/*}
    # Made on the real disk: an earlier run on this machine may have left
    # the mount point; the mount is this run's alone.
    K=$S/system-tmp/$N
    mountpoint -q "$K" && continue
    if [ -d "/tmp/$N" ]; then mkdir -p "$K"; elif [ ! -e "$K" ]; then : >"$K"; fi &&
      mount --bind "/tmp/$N" "$K" || fail "cannot keep /tmp/$N in /tmp"
  done
  mount --rbind "$S/system-tmp" /tmp || fail "cannot make a private /tmp"
fi
"$@"
status=$?
exit $status
"""

_STANDIN = r"""#!{python} -IS
import json, os, subprocess, sys
STATE = {state!r}
NAME = {name!r}
args = sys.argv
line = (json.dumps(args) + "\n").encode()
fd = os.open(os.path.join(STATE, "calls.log"), os.O_WRONLY | os.O_APPEND | os.O_CREAT, 0o644)
os.write(fd, line)  # one write per call keeps lines whole
os.close(fd)
opened = os.path.exists(os.path.join(STATE, "opened"))
keys = [NAME + " " + args[1]] if len(args) > 1 else []
keys.append(NAME)
reply = None
for key in keys:
    for phase in (["after", "before"] if opened else ["before"]):
        path = os.path.join(STATE, phase, key.replace("/", "%2F"))
        if os.path.isdir(path):
            reply = path
            break
    if reply:
        break
if reply is None:
    sys.stderr.write("sandbox: no reply for %s\n" % json.dumps(args))
    sys.exit(99)
script = os.path.join(reply, "script")
if os.path.exists(os.path.join(reply, "replace")):
    with open(script) as f:
        os.execve("/bin/sh", ["/bin/sh", "-c", f.read(), NAME] + args[1:], dict(os.environ, ASSISTANT_STATE=STATE))
if os.path.exists(script):
    with open(script) as f:
        subprocess.call(["/bin/sh", "-c", f.read(), NAME] + args[1:], env=dict(os.environ, ASSISTANT_STATE=STATE))
for stream, name in ((sys.stdout.buffer, "stdout"), (sys.stderr.buffer, "stderr")):
    with open(os.path.join(reply, name), "rb") as f:
        while True:
            chunk = f.read(1 << 20)
            if not chunk:
                break
            stream.write(chunk)
    stream.flush()
with open(os.path.join(reply, "status")) as f:
    status = int(f.read())
if NAME == "xdg-open" and status == 0:
    open(os.path.join(STATE, "opened"), "w").close()
sys.exit(status)
"""


class Reply:
    """What one stand-in writes and how it exits."""

    def __init__(self, stdout=b"", status=0, stderr=b"", script=None, replace=False):
        self.stdout = bytes(stdout)
        self.stderr = bytes(stderr)
        self.status = int(status)
        self.script = script
        self.replace = bool(replace)
        if self.replace and script is None:
            raise ValueError("replace=True needs a script")


class Machine:
    """A scenario: replies of the stand-ins, the change the installer makes,
    and the names in /dev. Use it as a context manager; run() and popen()
    start commands on it, calls() reads the call log."""

    def __init__(self, replies, after_open=None, dev=None, absent=(), log=False, private_tmp=True):
        self.replies = dict(replies)
        self.absent = set(absent)
        if not self.absent <= {os.path.basename(p) for p in STANDINS}:
            raise ValueError("not a stand-in: %r" % sorted(self.absent))
        self.after_open = dict(after_open or {})
        self.dev = None if dev is None else list(dev)
        for name in self.dev or []:
            if not name or name in (".", "..") or "/" in name or "\n" in name or "\0" in name:
                raise ValueError("not a plain /dev name: %r" % name)
        if log not in (False, True, "unread"):
            raise ValueError("log is False, True or 'unread'")
        self.log = log
        self.private_tmp = bool(private_tmp)
        self.root = None
        self.starts = 0
        self._log_reader = None
        # Checked here already, before a test has started anything else that
        # a skip (which ends the process at once) would leave behind.
        if os.geteuid() != 0:
            harness.cannot_run_here("the simulated Mac needs root to make its mount namespace")
        if shutil.which("unshare") is None:
            harness.cannot_run_here("unshare is not installed (util-linux)")

    def __enter__(self):
        self.root = tempfile.mkdtemp(prefix="assistant-sandbox-", dir="/tmp")
        try:
            self._write_scenario()
            if self.log:
                self._log_reader = _LogReader(os.path.join(self.root, "log.sock"), read=self.log != "unread")
            probe = self.run(["true"], timeout=30)
        except BaseException:
            self.__exit__(None, None, None)
            raise
        if probe.returncode != 0:
            reason = probe.stderr.decode(errors="replace").strip()
            self.__exit__(None, None, None)
            harness.cannot_run_here("cannot make the private mount namespace: " + reason)
        os.unlink(os.path.join(self.root, "state", "calls.log"))
        return self

    def __exit__(self, *exc):
        if self._log_reader is not None:
            self._log_reader.close()
            self._log_reader = None
        if self.root is not None:
            shutil.rmtree(self.root, ignore_errors=True)
            self.root = None
        return False

    def _write_scenario(self):
        state = os.path.join(self.root, "state")
        for phase, replies in (("before", self.replies), ("after", self.after_open)):
            for key, reply in replies.items():
                folder = os.path.join(state, phase, key.replace("/", "%2F"))
                os.makedirs(folder)
                for name, data in (("stdout", reply.stdout), ("stderr", reply.stderr),
                                   ("status", str(reply.status).encode())):
                    with open(os.path.join(folder, name), "wb") as f:
                        f.write(data)
                if reply.script is not None:
                    with open(os.path.join(folder, "script"), "w") as f:
                        f.write(reply.script)
                if reply.replace:
                    open(os.path.join(folder, "replace"), "w").close()
        os.makedirs(state, exist_ok=True)
        open(os.path.join(state, "calls.log"), "w").close()
        for path in STANDINS:
            folder = os.path.join(self.root, os.path.basename(os.path.dirname(path)))
            os.makedirs(folder, exist_ok=True)
            name = os.path.basename(path)
            if name in self.absent:
                continue
            script = os.path.join(folder, name)
            with open(script, "w") as f:
                f.write(_STANDIN.format(python=_PYTHON, state=state, name=name))
            os.chmod(script, 0o755)
        os.chmod(self.root, 0o755)
        if self.private_tmp:
            os.mkdir(self.system_tmp())
            os.chmod(self.system_tmp(), 0o1777)
        # The log socket is bound over a file in a private /dev.
        dev = self.dev if self.dev is not None or not self.log else []
        if dev is not None:
            os.makedirs(os.path.join(self.root, "dev"))
            with open(os.path.join(self.root, "dev-names"), "w") as f:
                f.writelines(name + "\n" for name in dev)

    def command(self, command):
        """The argument list that runs `command` on this machine."""
        return ["unshare", "--mount", "--propagation", "private", "--pid", "--fork", "--kill-child",
                "--mount-proc", "sh", "-c", _SETUP, "sandbox", self.root] + list(command)

    def popen(self, command, env=None, **kwargs):
        """Starts `command` on this machine (subprocess.Popen arguments).
        End it with stop(); stopping kills everything it started."""
        # Each program gets a temporary folder (TMPDIR, TEMP) of its own:
        # GNUstep names its message ports there by process id, which is the
        # same in every namespace, so programs side by side would collide.
        self.starts += 1
        private_tmp = self.program_tmp()
        os.mkdir(private_tmp)
        env = dict(os.environ if env is None else env, TMPDIR=private_tmp, TEMP=private_tmp)
        return subprocess.Popen(self.command(command), env=env, start_new_session=True, **kwargs)

    def run(self, command, input=None, env=None, timeout=60):
        """Runs `command` to its end; returns a CompletedProcess with bytes.
        On timeout everything it started is killed and TimeoutExpired raised."""
        process = self.popen(command, env=env, stdin=subprocess.PIPE if input is not None else subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            out, err = process.communicate(input, timeout=timeout)
        finally:
            stop(process)
        if process.returncode == _CANNOT_MOUNT and err.startswith(b"sandbox:"):
            self.__exit__(None, None, None)  # a skip ends the process at once
            harness.cannot_run_here(err.decode(errors="replace").strip())
        return subprocess.CompletedProcess(command, process.returncode, out, err)

    def program_tmp(self, start=None):
        """The private temporary folder of the `start`-th command started on
        this machine (counting from 1), by default the latest one."""
        return os.path.join(self.root, "tmp-%d" % (start or self.starts))

    def system_tmp(self):
        """The machine's own "/tmp", seen from outside (`private_tmp=True`)."""
        return os.path.join(self.root, "system-tmp")

    def state_path(self, *parts):
        """A path in the state folder that stand-in scripts see as
        $ASSISTANT_STATE."""
        return os.path.join(self.root, "state", *parts)

    def log_records(self):
        """Every record the machine's system log has received so far, in
        order, each a LogRecord. Needs `log=True`."""
        if self._log_reader is None or self.log == "unread":
            raise RuntimeError("this machine has no system log that is read (log=True)")
        return self._log_reader.records()

    def calls(self):
        """Every stand-in call so far, in order: each the argument list it got."""
        path = os.path.join(self.root, "state", "calls.log")
        if not os.path.exists(path):
            return []
        with open(path, encoding="utf-8") as f:
            return [json.loads(line) for line in f]


class LogRecord:
    """One syslog(3) datagram: `severity` and `facility` from its priority,
    `ident` and `pid` from its tag, and `message`, the rest of the line."""

    _FORMAT = re.compile(r"<(\d+)>[A-Z][a-z]{2} [ \d]\d \d\d:\d\d:\d\d ([^\[:]+)\[(\d+)\]: (.*)\Z", re.S)

    def __init__(self, datagram):
        self.raw = datagram
        match = self._FORMAT.match(datagram.decode("utf-8", "replace"))
        if match is None:
            raise ValueError("not a syslog(3) record: %r" % datagram)
        priority = int(match.group(1))
        self.facility, self.severity = priority >> 3, priority & 7
        self.ident, self.pid, self.message = match.group(2), int(match.group(3)), match.group(4)

    def __repr__(self):
        return "LogRecord(%r)" % self.message


class _LogReader:
    """The test's end of a machine's /dev/log: reads every datagram as it
    arrives, so a program never waits on a full socket queue."""

    def __init__(self, path, read=True):
        self.path = path
        self.socket = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
        self.socket.bind(path)
        os.chmod(path, 0o666)
        self.datagrams = []
        self.condition = threading.Condition()
        self.thread = threading.Thread(target=self._read, daemon=True) if read else None
        if self.thread is not None:
            self.thread.start()

    _STOP = b"\0stop"

    def _read(self):
        while True:
            try:
                datagram = self.socket.recv(1 << 20)
            except OSError:
                return
            if datagram == self._STOP:
                return
            with self.condition:
                self.datagrams.append(datagram)
                self.condition.notify_all()

    def records(self, timeout=10):
        # Datagrams on one socket arrive in order: once a marker sent now has
        # been read, so has everything sent before it.
        marker = b"\0sync " + uuid.uuid4().hex.encode()
        self._send(marker)
        with self.condition:
            if not self.condition.wait_for(lambda: marker in self.datagrams, timeout):
                raise AssertionError("the system log's reader fell behind")
            received = [d for d in self.datagrams if not d.startswith(b"\0sync ")]
        return [LogRecord(d) for d in received]

    def _send(self, datagram):
        with socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM) as client:
            client.sendto(datagram, self.path)

    def close(self):
        # Closing the socket would not wake a thread blocked reading it.
        if self.thread is not None:
            self._send(self._STOP)
            self.thread.join(timeout=10)
        self.socket.close()


def stop(process):
    """Ends a process from Machine.popen and, with it, its whole namespace."""
    if process.poll() is None:
        # unshare --kill-child passes the end on to the namespace's first
        # process, whose end kills every other process in the namespace.
        os.killpg(process.pid, signal.SIGKILL)
    process.wait()
    for stream in (process.stdin, process.stdout, process.stderr):
        if stream is not None:
            try:
                stream.close()
            except OSError:
                pass
