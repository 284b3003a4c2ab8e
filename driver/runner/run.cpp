// The tool runner on POSIX: the tool's output through one pipe, read with
// poll against a deadline, then the tool reaped; at the time limit
// (tool_deadline.h), past the output limit or on an ending signal, the
// tool's group is ended. tool_process.cpp starts, reaps and ends the tool;
// ending_signal_guard.h guards the run against the signals that end the
// program.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/descriptor.h"
#include "common/system_error.h"
#include "driver/runner/run.h"
#include "driver/runner/ending_signal_guard.h"
#include "driver/runner/run_limit_error.h"
#include "driver/runner/tool_deadline.h"
#include "driver/runner/tool_process.h"
#include "common/utf8_repair.h"

namespace orventa {

namespace {

using std::chrono::milliseconds;

// A program started with descriptor 0, 1 or 2 closed gets pipe ends there.
// Moving them above 2 keeps the child's dup2 onto 1 and 2 from overwriting
// the other end of the pipe, and keeps them from becoming its input.
Descriptor aboveStandardStreams(Descriptor fd, const std::string& path) {
  if (fd.get() > 2) return fd;
  const int moved = ::fcntl(fd.get(), F_DUPFD_CLOEXEC, 3);
  if (moved < 0) throwSystemError(errno, path);
  return Descriptor(moved);
}

void setNonBlocking(int fd, const std::string& path) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) throwSystemError(errno, path);
}

struct Pipe {
  Descriptor readEnd;
  Descriptor writeEnd;
};

// A pipe whose ends are closed on exec, both above the standard streams.
// Made before the tool starts: a failure here (out of descriptors, say) is
// the tool's failure to start, named by its `path` as a failed exec is.
Pipe openPipe(const std::string& path) {
  int fds[2];
#ifdef __APPLE__
  // No pipe2 on a Mac. This program starts processes from one thread only,
  // so nothing can inherit the ends before close-on-exec is set.
  if (::pipe(fds) != 0) throwSystemError(errno, path);
  ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  ::fcntl(fds[1], F_SETFD, FD_CLOEXEC);
#else
  if (::pipe2(fds, O_CLOEXEC) != 0) throwSystemError(errno, path);
#endif
  Descriptor readEnd(fds[0]);
  Descriptor writeEnd(fds[1]);
  return Pipe{aboveStandardStreams(std::move(readEnd), path), aboveStandardStreams(std::move(writeEnd), path)};
}

// Waits until `fd` is readable (or at its end), a signal came, or `until`.
void waitReadable(int fd, int wakeFd, ToolClock::time_point until) {
  pollfd watched[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
  const int ready = ::poll(watched, 2, pollTimeout(until - ToolClock::now()));
  if (ready < 0 && errno != EINTR && errno != EAGAIN) throwSystemError(errno, "poll");
}

// Reads the pipe (non-blocking) to end of file into a buffer that grows as
// the output does, sets `written` to the bytes read, and gives them with
// their UTF-8 repaired. Fails with RunLimitError once `deadline` says the
// time limit has passed, past `outputLimit` bytes (before the buffer takes
// them), or when the repaired text would pass `outputLimit`.
std::string readToEnd(int fd, int wakeFd, ToolDeadline& deadline, std::size_t outputLimit, const std::string& path,
                      milliseconds timeLimit, std::size_t& written) {
  // A pipe holds 64 KiB by default: one read takes what it holds.
  char chunk[64 * 1024];
  std::string bytes;
  for (;;) {
    EndingSignalGuard::stopIfSignalled(path);
    // The clock is read before the pipe: a program stopped between the two
    // looks at the pipe again once it goes on, before it decides.
    const ToolClock::time_point lookedAt = ToolClock::now();
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got > 0) {
      deadline.outputAt(lookedAt);
      const auto size = static_cast<std::size_t>(got);
      if (size > outputLimit - bytes.size()) throw RunLimitError::outputLimitPassed(path, outputLimit);
      // Four times the room when it is full, not the usual twice: every page
      // of a new buffer is faulted in afresh, which costs more than moving
      // its bytes through the pipe, and fewer steps fault in fewer pages.
      if (size > bytes.capacity() - bytes.size())
        bytes.reserve(std::min(std::max(4 * bytes.capacity(), sizeof chunk), outputLimit));
      bytes.append(chunk, size);
    } else if (got == 0) {
      break;
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      // The limit is decided only here, at a look that finds nothing to
      // read: output read past the deadline may have been written well
      // before it, and a tool blocked on the full pipe has to write the
      // rest before it can end. Time the program was stopped does not count
      // (tool_deadline.h).
      if (deadline.passedAt(lookedAt)) throw RunLimitError::timeLimitPassed(path, timeLimit);
      waitReadable(fd, wakeFd, deadline.waitUntil());
    } else if (errno != EINTR) {
      throwSystemError(errno, "read");
    }
  }
  written = bytes.size();
  // Each ill-formed byte may become the three of U+FFFD: the limit holds
  // for what is kept, too.
  std::optional<std::string> text = repairedUTF8Within(std::move(bytes), outputLimit);
  if (!text) throw RunLimitError::outputLimitPassed(path, outputLimit);
  return std::move(*text);
}

CommandResult runTool(const std::string& path, const std::vector<std::string>& arguments, milliseconds timeLimit,
                      std::size_t outputLimit, bool captureOutput) {
  ToolDeadline deadline(ToolClock::now(), timeLimit);
  // The signal handler writes to the wake pipe, and must never block.
  Pipe wake = openPipe(path);
  setNonBlocking(wake.writeEnd.get(), path);
  Pipe output;
  if (captureOutput) {
    // Only our reading end is non-blocking (the flag belongs to that end
    // alone), so reads never wait and poll does all the waiting, against the
    // deadline.
    output = openPipe(path);
    setNonBlocking(output.readEnd.get(), path);
  }
  // Declared after the pipes, so it is destroyed (and may end the program)
  // before them, and after the child has been dealt with below.
  EndingSignalGuard signals(wake.writeEnd.get());

  pid_t pid = -1;
  {
    // A signal that comes before the guard knows the tool waits until it
    // does: a fault signal's handler ends the tool's group by itself.
    const EndingSignalsBlocked blocked;
    pid = startTool(path, arguments, captureOutput ? output.writeEnd.get() : -1);
    signals.watchTool(pid);
  }
  // Only the child may hold the writing end, so end of file comes when it
  // (and whatever it started that inherited the pipe) has closed it.
  output.writeEnd.reset();

  std::string text;
  std::size_t written = 0;
  std::optional<std::int32_t> status;
  try {
    // Read first, then reap: waiting first would hang as soon as the child
    // writes more than the pipe holds.
    if (captureOutput)
      text = readToEnd(output.readEnd.get(), wake.readEnd.get(), deadline, outputLimit, path, timeLimit, written);
    status = reapBy(pid, deadline, wake.readEnd.get(), path);
  } catch (...) {
    // The end of file is not waited for any longer.
    output.readEnd.reset();
    endToolGroup(pid);
    signals.toolReaped();
    throw;
  }
  output.readEnd.reset();
  if (!status) endToolGroup(pid);
  signals.toolReaped();
  if (!status) throw RunLimitError::timeLimitPassed(path, timeLimit);
  // A signal that came after the child's end takes its course now; should
  // the program go on, the run has its result.
  signals.finish();
  CommandResult result;
  result.status = *status;
  result.output = std::move(text);
  result.outputBytes = written;
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

}  // namespace orventa
