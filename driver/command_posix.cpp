// The command runner on POSIX: posix_spawn into a process group of the
// child's own, one pipe for both output streams, read with poll against a
// deadline, then reap; at the deadline the group is ended.

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "driver/command.h"
#include "driver/run_limit_error.h"
#include "driver/utf8_repair.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long a tool's group has between SIGTERM and SIGKILL.
constexpr milliseconds terminationGrace{2000};

[[noreturn]] void throwErrno(int error, const std::string& what) {
  throw std::system_error(error, std::system_category(), what);
}

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    if (this != &other) {
      close();
      fd_ = other.release();
    }
    return *this;
  }
  ~Descriptor() { close(); }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// A program started with descriptor 0, 1 or 2 closed gets pipe ends there.
// Moving them above 2 keeps the child's dup2 onto 1 and 2 from overwriting
// the other end of the pipe, and keeps them from becoming its input.
Descriptor aboveStandardStreams(Descriptor fd) {
  if (fd.get() > 2) return fd;
  const int moved = ::fcntl(fd.get(), F_DUPFD_CLOEXEC, 3);
  if (moved < 0) throwErrno(errno, "fcntl");
  return Descriptor(moved);
}

struct Pipe {
  Descriptor readEnd;
  Descriptor writeEnd;
};

Pipe openPipe() {
  int fds[2];
#ifdef __APPLE__
  // No pipe2 on a Mac. This program starts processes from one thread only,
  // so nothing can inherit the ends before close-on-exec is set.
  if (::pipe(fds) != 0) throwErrno(errno, "pipe");
  ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  ::fcntl(fds[1], F_SETFD, FD_CLOEXEC);
#else
  if (::pipe2(fds, O_CLOEXEC) != 0) throwErrno(errno, "pipe2");
#endif
  Descriptor readEnd(fds[0]);
  Descriptor writeEnd(fds[1]);
  Pipe pipe;
  pipe.readEnd = aboveStandardStreams(std::move(readEnd));
  pipe.writeEnd = aboveStandardStreams(std::move(writeEnd));
  return pipe;
}

void setNonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) throwErrno(errno, "fcntl");
}

// The pipe that collects the child's output. Only our reading end is
// non-blocking (the flag belongs to that end alone), so reads never wait and
// poll does all the waiting, against the deadline.
Pipe openOutputPipe() {
  Pipe pipe = openPipe();
  setNonBlocking(pipe.readEnd.get());
#ifdef F_SETPIPE_SZ
  // A larger pipe means fewer switches between child and reader for large
  // output; the default stays when the system refuses.
  ::fcntl(pipe.readEnd.get(), F_SETPIPE_SZ, 1 << 20);
#endif
  return pipe;
}

// ---- ending signals -------------------------------------------------------
// While a tool runs, SIGINT, SIGTERM and SIGHUP are caught so that the tool's
// group can be ended before the program ends as the signal says. The handler
// only notes the signal and writes a byte to a pipe that every wait polls, so
// a signal between a check and a poll cannot be missed.

volatile sig_atomic_t caughtSignal = 0;
volatile sig_atomic_t wakeDescriptor = -1;

extern "C" void noteEndingSignal(int sig) {
  const int savedErrno = errno;
  if (caughtSignal == 0) caughtSignal = sig;
  const int fd = wakeDescriptor;
  if (fd >= 0) {
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);
  }
  errno = savedErrno;
}

constexpr int endingSignals[] = {SIGINT, SIGTERM, SIGHUP};

class EndingSignalGuard {
 public:
  // Catches the ending signals for the run. One the program ignores (as
  // under nohup) stays ignored; one it handles itself (GNUstep's application
  // object handles SIGINT and SIGTERM) is passed to that handler afterwards.
  explicit EndingSignalGuard(int wakeWriteEnd) {
    caughtSignal = 0;
    wakeDescriptor = wakeWriteEnd;
    struct sigaction catching {};
    catching.sa_handler = noteEndingSignal;
    sigemptyset(&catching.sa_mask);
    for (int sig : endingSignals) sigaddset(&catching.sa_mask, sig);
    catching.sa_flags = 0;  // no SA_RESTART: a wait wakes up at once
    for (std::size_t i = 0; i < std::size(endingSignals); ++i) {
      if (::sigaction(endingSignals[i], nullptr, &previous_[i]) != 0) continue;
      if ((previous_[i].sa_flags & SA_SIGINFO) == 0 && previous_[i].sa_handler == SIG_IGN) continue;
      if (::sigaction(endingSignals[i], &catching, nullptr) == 0) caught_[i] = true;
    }
  }
  EndingSignalGuard(const EndingSignalGuard&) = delete;
  EndingSignalGuard& operator=(const EndingSignalGuard&) = delete;
  ~EndingSignalGuard() { finish(); }

  // Called once the child is reaped: the program's own handling comes back,
  // and a signal that came meanwhile is raised again, so that it ends the
  // program as it would have, or runs the program's own handler.
  void finish() {
    if (finished_) return;
    finished_ = true;
    for (std::size_t i = 0; i < std::size(endingSignals); ++i)
      if (caught_[i]) ::sigaction(endingSignals[i], &previous_[i], nullptr);
    wakeDescriptor = -1;
    const int sig = caughtSignal;
    caughtSignal = 0;
    if (sig != 0) ::raise(sig);
  }

 private:
  struct sigaction previous_[std::size(endingSignals)] = {};
  bool caught_[std::size(endingSignals)] = {};
  bool finished_ = false;
};

// A signal came: the run stops here, and the guard raises it again once the
// tool's group is gone. Should the program survive that, the run has failed.
void stopIfSignalled(const std::string& path) {
  if (caughtSignal != 0) throwErrno(EINTR, path);
}

// ---- starting ---------------------------------------------------------------

// posix_spawn's attribute and file-action objects, destroyed on every path.
class SpawnSetup {
 public:
  // `outputTo`: the pipe's writing end for both output streams, or -1 for
  // the null device.
  explicit SpawnSetup(int outputTo) {
    check(::posix_spawn_file_actions_init(&actions_));
    actionsReady_ = true;
    check(::posix_spawnattr_init(&attributes_));
    attributesReady_ = true;
    // Both output streams go to one place; standard input stays inherited.
    if (outputTo >= 0) {
      check(::posix_spawn_file_actions_adddup2(&actions_, outputTo, STDOUT_FILENO));
    } else {
      check(::posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, "/dev/null", O_WRONLY, 0));
    }
    check(::posix_spawn_file_actions_adddup2(&actions_, STDOUT_FILENO, STDERR_FILENO));
    // A group of its own, led by the child, so whatever it starts can be
    // ended with it.
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP;
    check(::posix_spawnattr_setpgroup(&attributes_, 0));
#ifdef __APPLE__
    // Nothing but 0, 1 and 2 reaches the child, whatever the program holds.
    // An inherit action on a closed descriptor fails the whole spawn with
    // EBADF, so a program started with 0 closed would start no tool at all:
    // 0 is passed on only when it is open, and a closed 0 stays closed in
    // the child, as on Linux.
    flags |= POSIX_SPAWN_CLOEXEC_DEFAULT;
    if (::fcntl(STDIN_FILENO, F_GETFD) != -1)
      check(::posix_spawn_file_actions_addinherit_np(&actions_, STDIN_FILENO));
#else
    check(::posix_spawn_file_actions_addclosefrom_np(&actions_, 3));
#endif
    // A parent that ignores SIGPIPE would otherwise pass that on, and a tool
    // writing to a closed pipe would loop on EPIPE instead of ending. (The
    // ending signals the runner catches are at their default in the child
    // anyway: a caught signal is.) No signal stays blocked.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    check(::posix_spawnattr_setsigdefault(&attributes_, &defaults));
    sigset_t emptyMask;
    sigemptyset(&emptyMask);
    check(::posix_spawnattr_setsigmask(&attributes_, &emptyMask));
    check(::posix_spawnattr_setflags(&attributes_, flags));
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
  ~SpawnSetup() {
    if (actionsReady_) ::posix_spawn_file_actions_destroy(&actions_);
    if (attributesReady_) ::posix_spawnattr_destroy(&attributes_);
  }
  const posix_spawn_file_actions_t* actions() const { return &actions_; }
  const posix_spawnattr_t* attributes() const { return &attributes_; }

 private:
  static void check(int error) {
    if (error != 0) throwErrno(error, "posix_spawn");
  }
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
  bool actionsReady_ = false;
  bool attributesReady_ = false;
};

pid_t startChild(const std::string& path, const std::vector<std::string>& arguments, int outputTo) {
  SpawnSetup setup(outputTo);
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  // posix_spawn, not posix_spawnp: the file exactly at `path`. glibc 2.24+
  // and macOS report a failed exec here and leave no child behind.
  const int error = ::posix_spawn(&pid, path.c_str(), setup.actions(), setup.attributes(), argv.data(), environ);
  if (error != 0) throwErrno(error, path);
  return pid;
}

// ---- waiting ------------------------------------------------------------------

// Whole milliseconds for poll, rounded up so that a wait never ends early.
int pollTimeout(Clock::duration remaining) {
  if (remaining <= Clock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<milliseconds>(remaining).count();
  return static_cast<int>(std::min<long long>(ms, INT_MAX));
}

// Waits until `fd` is readable (or at its end), a signal came, or `until`.
void waitReadable(int fd, int wakeFd, Clock::time_point until) {
  pollfd watched[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
  const int ready = ::poll(watched, 2, pollTimeout(until - Clock::now()));
  if (ready < 0 && errno != EINTR && errno != EAGAIN) throwErrno(errno, "poll");
}

// Pauses between looks at a child that has not ended yet: a few yields first,
// since a child that closed its output is usually a few microseconds from its
// end, then sleeps that grow to 50 ms. `wakeFd` (-1 for none) cuts a sleep
// short when an ending signal comes.
class Backoff {
 public:
  void pause(Clock::time_point until, int wakeFd) {
    const Clock::time_point now = Clock::now();
    if (now - start_ < std::chrono::microseconds(200)) {
      ::sched_yield();
      return;
    }
    pollfd watched = {wakeFd, POLLIN, 0};
    ::poll(&watched, wakeFd >= 0 ? 1 : 0, pollTimeout(std::min(until - now, Clock::duration(sleep_))));
    sleep_ = std::min(sleep_ * 2, milliseconds(50));
  }

 private:
  Clock::time_point start_ = Clock::now();
  milliseconds sleep_{1};
};

std::int32_t statusOf(int raw) {
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return -WTERMSIG(raw);
  return unknownTerminationStatus;
}

// Reaps the child once it has ended, by `deadline`; nothing when it is still
// running then.
std::optional<std::int32_t> reapBy(pid_t pid, Clock::time_point deadline, int wakeFd, const std::string& path) {
  Backoff backoff;
  for (;;) {
    int raw = 0;
    const pid_t got = ::waitpid(pid, &raw, WNOHANG);
    if (got == pid) return statusOf(raw);
    if (got < 0 && errno == EINTR) continue;
    // ECHILD: the program set SIGCHLD to SIG_IGN, so the system reaped the
    // child itself and dropped its status. Success cannot be claimed for a
    // tool whose result is unknown; callers count only 0 as success.
    if (got < 0) return unknownTerminationStatus;
    stopIfSignalled(path);
    if (Clock::now() >= deadline) return std::nullopt;
    backoff.pause(deadline, wakeFd);
  }
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

// Ends the child's whole group: SIGTERM, up to two seconds for the child to
// end, then SIGKILL for whatever is left of the group; then reaps the child.
void endGroup(pid_t pid) {
  ::killpg(pid, SIGTERM);
  const Clock::time_point graceEnd = Clock::now() + terminationGrace;
  Backoff backoff;
  while (!hasEnded(pid) && Clock::now() < graceEnd) backoff.pause(graceEnd, -1);
  ::killpg(pid, SIGKILL);
  int raw = 0;
  while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
  }
}

// ---- reading --------------------------------------------------------------------

// Large output lands in fresh memory, and on Linux faulting it in 4 KiB
// pages costs more than moving the bytes through the pipe. Huge pages, where
// the system offers them on request, cut that to a few hundred faults.
void adviseLargePages(std::string& block) {
#ifdef MADV_HUGEPAGE
  constexpr std::uintptr_t hugePage = std::uintptr_t(2) << 20;
  const auto begin = reinterpret_cast<std::uintptr_t>(block.data());
  const std::uintptr_t first = (begin + hugePage - 1) & ~(hugePage - 1);
  const std::uintptr_t last = (begin + block.capacity()) & ~(hugePage - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)block;
#endif
}

// Up to this size the buffer doubles; past it, it takes room for the largest
// output allowed in one step. That room is address space only: the system
// gives memory to the pages the output fills, so the peak stays at the
// output's size, with no doubling spike and no copy at the end. Where the
// system refuses that much address space, doubling goes on.
constexpr std::size_t doublingLimit = std::size_t(8) << 20;

void grow(std::string& bytes, std::size_t used, std::size_t room) {
  std::string bigger;
  const std::size_t doubled = std::min(2 * bytes.capacity(), room);
  if (bytes.capacity() >= doublingLimit) {
    try {
      bigger.reserve(room);
    } catch (const std::bad_alloc&) {
      bigger.reserve(doubled);
    }
  } else {
    bigger.reserve(doubled);
  }
  adviseLargePages(bigger);
  bigger.assign(bytes.data(), used);
  bytes.swap(bigger);
}

// Checks the output for well-formed UTF-8 as it arrives, each piece while it
// is still in the cache and the child goes on writing, so that well-formed
// output needs no pass of its own at the end.
class UTF8Check {
 public:
  // Takes in the bytes up to `end`. A character cut by the end of a read is
  // checked again once its rest has arrived.
  void advance(const std::string& bytes, std::size_t end) {
    if (illFormed_) return;
    const std::string_view fresh(bytes.data() + checked_, end - checked_);
    const std::size_t valid = validUTF8Length(fresh);
    checked_ += valid;
    // No character is longer than four bytes: a stop further from the end
    // than that is an ill-formed sequence, not a cut one.
    if (fresh.size() - valid >= 4) illFormed_ = true;
  }
  bool allWellFormed(std::size_t size) const { return !illFormed_ && checked_ == size; }

 private:
  std::size_t checked_ = 0;
  bool illFormed_ = false;
};

// Reads the pipe to end of file straight into the block that becomes the
// result, and repairs its UTF-8. Fails with RunLimitError at `deadline` or
// past `outputLimit` bytes.
std::string readToEnd(int fd, int wakeFd, Clock::time_point deadline, std::size_t outputLimit,
                      const std::string& path, milliseconds timeLimit) {
  constexpr std::size_t firstSize = 64 * 1024;
  constexpr std::size_t largestRead = 1024 * 1024;
  // One byte past the limit is enough to know it has been passed.
  const std::size_t room = outputLimit + 1;
  std::string bytes;
  bytes.reserve(std::min(firstSize, room));
  std::size_t used = 0;  // bytes.size() runs ahead of it by the zeroed room
  UTF8Check check;
  for (;;) {
    stopIfSignalled(path);
    if (Clock::now() >= deadline) throw RunLimitError::timeLimitPassed(path, timeLimit);
    if (used == bytes.size()) {
      if (bytes.size() == bytes.capacity()) grow(bytes, used, room);
      bytes.resize(std::min(bytes.capacity(), used + largestRead));
    }
    const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (got > 0) {
      used += static_cast<std::size_t>(got);
      if (used > outputLimit) throw RunLimitError::outputLimitPassed(path, outputLimit);
      // Checked while still in the cache, as the child fills the pipe again.
      check.advance(bytes, used);
    } else if (got == 0) {
      break;
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      waitReadable(fd, wakeFd, deadline);
    } else if (errno != EINTR) {
      throwErrno(errno, "read");
    }
  }
  bytes.resize(used);
  if (check.allWellFormed(used)) return bytes;
  return repairedUTF8(std::move(bytes));
}

// ---- one run --------------------------------------------------------------------

CommandResult runTool(const std::string& path, const std::vector<std::string>& arguments, milliseconds timeLimit,
                      std::size_t outputLimit, bool captureOutput) {
  const Clock::time_point deadline = Clock::now() + timeLimit;
  Pipe wake = openPipe();
  setNonBlocking(wake.writeEnd.get());  // the handler must never block
  Pipe output;
  if (captureOutput) output = openOutputPipe();
  // Declared after the pipes, so it is destroyed (and may end the program)
  // before them, and after the child has been dealt with below.
  EndingSignalGuard signals(wake.writeEnd.get());

  const pid_t pid = startChild(path, arguments, captureOutput ? output.writeEnd.get() : -1);
  // Only the child may hold the writing end, so end of file comes when it
  // (and whatever it started that inherited the pipe) has closed it.
  output.writeEnd.close();

  std::string bytes;
  std::optional<std::int32_t> status;
  try {
    // Read first, then reap: waiting first would hang as soon as the child
    // writes more than the pipe holds.
    if (captureOutput)
      bytes = readToEnd(output.readEnd.get(), wake.readEnd.get(), deadline, outputLimit, path, timeLimit);
    status = reapBy(pid, deadline, wake.readEnd.get(), path);
  } catch (...) {
    // The end of file is not waited for any longer.
    output.readEnd.close();
    endGroup(pid);
    throw;
  }
  output.readEnd.close();
  if (!status) {
    endGroup(pid);
    throw RunLimitError::timeLimitPassed(path, timeLimit);
  }
  // A signal that came after the child's end takes its course now; should
  // the program go on, the run has its result.
  signals.finish();
  CommandResult result;
  result.status = *status;
  result.output = std::move(bytes);
  return result;
}

}  // namespace

CommandResult run(const std::string& path, const std::vector<std::string>& arguments, milliseconds timeLimit,
                  std::size_t outputLimit) {
  return runTool(path, arguments, timeLimit, outputLimit, true);
}

CommandResult runWithoutOutput(const std::string& path, const std::vector<std::string>& arguments,
                               milliseconds timeLimit) {
  return runTool(path, arguments, timeLimit, 0, false);
}
