// The command runner on POSIX: posix_spawn, one pipe for both output streams,
// read to end of file, then reap.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "driver/command.h"
#include "driver/utf8_repair.h"

extern char** environ;

namespace {

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
// the other end of the pipe.
Descriptor aboveStandardStreams(Descriptor fd) {
  if (fd.get() > 2) return fd;
  const int moved = ::fcntl(fd.get(), F_DUPFD_CLOEXEC, 3);
  if (moved < 0) throwErrno(errno, "fcntl");
  return Descriptor(moved);
}

struct OutputPipe {
  Descriptor readEnd;
  Descriptor writeEnd;
};

OutputPipe openPipe() {
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
  OutputPipe pipe;
  pipe.readEnd = aboveStandardStreams(std::move(readEnd));
  pipe.writeEnd = aboveStandardStreams(std::move(writeEnd));
#ifdef F_SETPIPE_SZ
  // A larger pipe means fewer switches between child and reader for large
  // output; the default stays when the system refuses.
  ::fcntl(pipe.readEnd.get(), F_SETPIPE_SZ, 1 << 20);
#endif
  return pipe;
}

// posix_spawn's attribute and file-action objects, destroyed on every path.
class SpawnSetup {
 public:
  explicit SpawnSetup(int writeEnd) {
    check(::posix_spawn_file_actions_init(&actions_));
    check(::posix_spawnattr_init(&attributes_));
    attributesReady_ = true;
    // Both output streams are the one pipe; standard input stays inherited.
    check(::posix_spawn_file_actions_adddup2(&actions_, writeEnd, STDOUT_FILENO));
    check(::posix_spawn_file_actions_adddup2(&actions_, writeEnd, STDERR_FILENO));
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
#ifdef __APPLE__
    // Nothing but 0, 1 and 2 reaches the child, whatever the program holds.
    flags |= POSIX_SPAWN_CLOEXEC_DEFAULT;
    check(::posix_spawn_file_actions_addinherit_np(&actions_, STDIN_FILENO));
#else
    check(::posix_spawn_file_actions_addclosefrom_np(&actions_, 3));
#endif
    // A parent that ignores SIGPIPE would otherwise pass that on, and a tool
    // writing to a closed pipe would loop on EPIPE instead of ending. A
    // blocked signal mask is not handed on either.
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
    ::posix_spawn_file_actions_destroy(&actions_);
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
  bool attributesReady_ = false;
};

pid_t startChild(const std::string& path, const std::vector<std::string>& arguments, int writeEnd) {
  SpawnSetup setup(writeEnd);
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

// One read, retried on EINTR; judged by read's return value, since errno is
// stale after a successful call. Returns 0 at end of file.
std::size_t readSome(int fd, char* into, std::size_t room) {
  for (;;) {
    const ssize_t got = ::read(fd, into, room);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) throwErrno(errno, "read");
  }
}

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

// Doubles the capacity as std::string would, but allocates the new block
// first so that it can take the advice before the copy touches it.
void grow(std::string& bytes, std::size_t used) {
  std::string bigger;
  bigger.reserve(2 * bytes.capacity());
  adviseLargePages(bigger);
  bigger.assign(bytes.data(), used);
  bytes.swap(bigger);
}

// Reads to end of file straight into the buffer that becomes the result.
std::string readToEnd(int fd) {
  constexpr std::size_t firstSize = 64 * 1024;
  constexpr std::size_t largestRead = 1024 * 1024;
  std::string bytes;
  bytes.reserve(firstSize);
  std::size_t used = 0;  // bytes.size() runs ahead of it by the zeroed room
  for (;;) {
    if (used == bytes.size()) {
      if (bytes.size() == bytes.capacity()) {
        // Full: a small read decides whether the buffer has to grow, so
        // output that fills it exactly does not double it at end of file.
        char probe[4096];
        const std::size_t got = readSome(fd, probe, sizeof probe);
        if (got == 0) break;
        grow(bytes, used);
        bytes.append(probe, got);
        used += got;
        continue;
      }
      bytes.resize(std::min(bytes.capacity(), used + largestRead));
    }
    const std::size_t got = readSome(fd, bytes.data() + used, bytes.size() - used);
    if (got == 0) break;
    used += got;
  }
  bytes.resize(used);
  return bytes;
}

std::int32_t waitForExit(pid_t pid) {
  int raw = 0;
  for (;;) {
    const pid_t got = ::waitpid(pid, &raw, 0);
    if (got == pid) break;
    if (got < 0 && errno == EINTR) continue;
    // ECHILD: the program set SIGCHLD to SIG_IGN, so the system reaped the
    // child itself (waitpid returns only once it has ended) and dropped its
    // status. Success cannot be claimed for a tool whose result is unknown;
    // callers count only 0 as success.
    return unknownTerminationStatus;
  }
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return -WTERMSIG(raw);
  return unknownTerminationStatus;
}

}  // namespace

CommandResult run(const std::string& path, const std::vector<std::string>& arguments) {
  OutputPipe pipe = openPipe();
  const pid_t pid = startChild(path, arguments, pipe.writeEnd.get());
  // Only the child may hold the writing end, so end of file comes when it
  // (and whatever it started that inherited the pipe) has closed it.
  pipe.writeEnd.close();

  // Read first, then reap: waiting first would hang as soon as the child
  // writes more than the pipe holds.
  std::string bytes;
  try {
    bytes = readToEnd(pipe.readEnd.get());
  } catch (...) {
    // Closing our end makes a still-writing child end on SIGPIPE, so it can
    // be reaped rather than left as a zombie.
    pipe.readEnd.close();
    waitForExit(pid);
    throw;
  }
  pipe.readEnd.close();
  CommandResult result;
  result.status = waitForExit(pid);
  result.output = repairedUTF8(std::move(bytes));
  return result;
}
