#include "driver/runner/tool_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "common/system_error.h"
#include "driver/runner/run.h"
#include "driver/runner/ending_signal_guard.h"

extern char** environ;

namespace orventa {

namespace {

using std::chrono::milliseconds;

// How long a tool's group has between SIGTERM and SIGKILL.
constexpr milliseconds terminationGrace{2000};

// How long the tool has to be reaped after SIGKILL before the run gives up
// on it: a killed process ends within milliseconds unless the system holds
// it in an uninterruptible wait.
constexpr milliseconds reapAfterKill{500};

void checkSpawnSetup(int error, const std::string& path) {
  if (error != 0) throwSystemError(error, path);
}

// posix_spawn's file actions and attributes, each destroyed once it was
// made, also when a later step of the setup fails.
struct SpawnFileActions {
  explicit SpawnFileActions(const std::string& path) {
    checkSpawnSetup(::posix_spawn_file_actions_init(&value), path);
  }
  SpawnFileActions(const SpawnFileActions&) = delete;
  SpawnFileActions& operator=(const SpawnFileActions&) = delete;
  ~SpawnFileActions() { ::posix_spawn_file_actions_destroy(&value); }
  posix_spawn_file_actions_t value;
};

struct SpawnAttributes {
  explicit SpawnAttributes(const std::string& path) { checkSpawnSetup(::posix_spawnattr_init(&value), path); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  ~SpawnAttributes() { ::posix_spawnattr_destroy(&value); }
  posix_spawnattr_t value;
};

// How `path` is started. A step that fails is the tool's failure to start,
// named by its path like a failed exec.
class SpawnSetup {
 public:
  // `outputTo`: the pipe's writing end for both output streams, or -1 for
  // the null device.
  SpawnSetup(const std::string& path, int outputTo) : actions_(path), attributes_(path) {
    posix_spawn_file_actions_t* actions = &actions_.value;
    posix_spawnattr_t* attributes = &attributes_.value;
    // Both output streams go to one place; standard input stays inherited.
    if (outputTo >= 0) {
      checkSpawnSetup(::posix_spawn_file_actions_adddup2(actions, outputTo, STDOUT_FILENO), path);
    } else {
      checkSpawnSetup(::posix_spawn_file_actions_addopen(actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0), path);
    }
    checkSpawnSetup(::posix_spawn_file_actions_adddup2(actions, STDOUT_FILENO, STDERR_FILENO), path);
    // A group of its own, led by the child, so whatever it starts can be
    // ended with it.
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP;
    checkSpawnSetup(::posix_spawnattr_setpgroup(attributes, 0), path);
#ifdef __APPLE__
    // Nothing but 0, 1 and 2 reaches the child, whatever the program holds.
    // An inherit action on a closed descriptor fails the whole spawn with
    // EBADF, so a program started with 0 closed would start no tool at all:
    // 0 is passed on only when it is open, and a closed 0 stays closed in
    // the child, as on Linux.
    flags |= POSIX_SPAWN_CLOEXEC_DEFAULT;
    if (::fcntl(STDIN_FILENO, F_GETFD) != -1)
      checkSpawnSetup(::posix_spawn_file_actions_addinherit_np(actions, STDIN_FILENO), path);
#else
    checkSpawnSetup(::posix_spawn_file_actions_addclosefrom_np(actions, 3), path);
#endif
    // Every signal at its default, as a tool expects to start: an ignored
    // one would otherwise pass on (the program ignores SIGXFSZ, a launcher
    // may ignore SIGPIPE, and a tool writing to a closed pipe would then loop
    // on EPIPE instead of ending). No signal stays blocked.
    sigset_t defaults;
    sigfillset(&defaults);
    sigdelset(&defaults, SIGKILL);
    sigdelset(&defaults, SIGSTOP);
    checkSpawnSetup(::posix_spawnattr_setsigdefault(attributes, &defaults), path);
    sigset_t emptyMask;
    sigemptyset(&emptyMask);
    checkSpawnSetup(::posix_spawnattr_setsigmask(attributes, &emptyMask), path);
    checkSpawnSetup(::posix_spawnattr_setflags(attributes, flags), path);
  }
  const posix_spawn_file_actions_t* actions() const { return &actions_.value; }
  const posix_spawnattr_t* attributes() const { return &attributes_.value; }

 private:
  SpawnFileActions actions_;
  SpawnAttributes attributes_;
};

// Pauses between looks at a child that has not ended yet: a few yields first,
// since a child that closed its output is usually a few microseconds from its
// end, then sleeps that grow to 50 ms. `wakeFd` (-1 for none) cuts a sleep
// short when an ending signal comes.
class Backoff {
 public:
  void pause(ToolClock::time_point until, int wakeFd) {
    const ToolClock::time_point now = ToolClock::now();
    if (now - start_ < std::chrono::microseconds(200)) {
      ::sched_yield();
      return;
    }
    pollfd watched = {wakeFd, POLLIN, 0};
    ::poll(&watched, wakeFd >= 0 ? 1 : 0, pollTimeout(std::min(until - now, ToolClock::duration(sleep_))));
    sleep_ = std::min(sleep_ * 2, milliseconds(50));
  }

 private:
  ToolClock::time_point start_ = ToolClock::now();
  milliseconds sleep_{1};
};

std::int32_t statusOf(int raw) {
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return -WTERMSIG(raw);
  return unknownTerminationStatus;
}

// True once the child has ended, without reaping it: as long as it is not
// reaped, its process id and with it the group's id cannot be given to
// another process.
bool hasEnded(pid_t pid) {
  siginfo_t info{};
  info.si_pid = 0;
  for (;;) {
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0) return info.si_pid == pid;
    if (errno != EINTR) return true;  // ECHILD: already reaped by the system
  }
}

}  // namespace

pid_t startTool(const std::string& path, const std::vector<std::string>& arguments, int outputTo) {
  SpawnSetup setup(path, outputTo);
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  // posix_spawn, not posix_spawnp: the file exactly at `path`. glibc 2.24+
  // and macOS report a failed exec here and leave no child behind.
  const int error = ::posix_spawn(&pid, path.c_str(), setup.actions(), setup.attributes(), argv.data(), environ);
  if (error != 0) throwSystemError(error, path);
  return pid;
}

std::optional<std::int32_t> reapBy(pid_t pid, ToolDeadline& deadline, int wakeFd, const std::string& path) {
  Backoff backoff;
  // Each round reads the clock, then looks at the tool, and decides on the
  // clock only after that look: a tool that ended while the program was
  // stopped between any two steps is reaped, not taken for one that did not
  // finish. Each pause ends by the deadline's waitUntil(), so that a pause
  // that comes back late shows the time the program was not watching.
  for (;;) {
    const ToolClock::time_point lookedAt = ToolClock::now();
    int raw = 0;
    const pid_t got = ::waitpid(pid, &raw, WNOHANG);
    if (got == pid) return statusOf(raw);
    if (got < 0 && errno == EINTR) continue;
    // ECHILD: the program set SIGCHLD to SIG_IGN, so the system reaped the
    // child itself and dropped its status. Success cannot be claimed for a
    // tool whose result is unknown; callers count only 0 as success.
    if (got < 0) return unknownTerminationStatus;
    EndingSignalGuard::stopIfSignalled(path);
    if (deadline.passedAt(lookedAt)) return std::nullopt;
    backoff.pause(deadline.waitUntil(), wakeFd);
  }
}

void endToolGroup(pid_t pid) {
  // The tool itself as well as its group: a tool that moved into another
  // group (the assistant's own, say) is out of the group's reach, and
  // killpg then fails with ESRCH. Until the tool is reaped its process id
  // cannot name another process.
  ::killpg(pid, SIGTERM);
  ::kill(pid, SIGTERM);
  const ToolClock::time_point graceEnd = ToolClock::now() + terminationGrace;
  Backoff backoff;
  while (!hasEnded(pid) && ToolClock::now() < graceEnd) backoff.pause(graceEnd, -1);
  ::killpg(pid, SIGKILL);
  ::kill(pid, SIGKILL);
  // Never an endless wait: a tool in uninterruptible sleep may not end even
  // on SIGKILL, and the run must still fail at once. Such a tool is left
  // unreaped; the system reaps it once the program has ended.
  const ToolClock::time_point reapEnd = ToolClock::now() + reapAfterKill;
  Backoff reaping;
  for (;;) {
    int raw = 0;
    const pid_t got = ::waitpid(pid, &raw, WNOHANG);
    if (got == pid || (got < 0 && errno != EINTR)) return;
    if (ToolClock::now() >= reapEnd) return;
    if (got == 0) reaping.pause(reapEnd, -1);
  }
}

int pollTimeout(ToolClock::duration remaining) {
  if (remaining <= ToolClock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<milliseconds>(remaining).count();
  return static_cast<int>(std::min<long long>(ms, INT_MAX));
}

}  // namespace orventa
