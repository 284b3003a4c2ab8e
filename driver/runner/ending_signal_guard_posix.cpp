#include "driver/runner/ending_signal_guard.h"

#include <unistd.h>

#include <cerrno>

#include "common/system_error.h"

namespace orventa {

namespace {

// Shared with the handler, so only what it may touch: lock-free
// sig_atomic_t, written whole. One note per signal that came, by its
// number: a second, different signal is as real as the first (SIGINT,
// which the program handles and survives, then SIGTERM, which must still
// end it).
volatile sig_atomic_t caughtSignals[signalNumberLimit] = {};
volatile sig_atomic_t anySignalCaught = 0;
volatile sig_atomic_t wakeDescriptor = -1;
// The tool that runs, for a fault signal's handler, which cannot wait for
// the run to end it; 0 for none.
volatile sig_atomic_t toolProcess = 0;
// The program's own handling, put back when the guard finishes (one guard
// at a time in the process).
EndingSignalHandling saved;

// Async-signal-safe: reads and writes the globals above and calls write(2),
// kill(2), sigaction(2) and raise(3), keeping errno as it found it. The
// ending signals are blocked while it runs, so it never interrupts itself.
extern "C" void noteEndingSignal(int sig) {
  const int savedErrno = errno;
  if (isFaultSignal(sig)) {
    // Perhaps the program's own fault: ended here and now, the tool's group
    // first, then the signal's course (the copy's guard, when it is there).
    const pid_t tool = toolProcess;
    if (tool > 0) {
      ::kill(-tool, SIGKILL);
      ::kill(tool, SIGKILL);
    }
    raiseAgainAfterHandler(sig, saved);
  } else if (sig > 0 && sig < signalNumberLimit) {
    caughtSignals[sig] = 1;
    anySignalCaught = 1;
    const int fd = wakeDescriptor;
    if (fd >= 0) {
      const char byte = 0;
      [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);
    }
  }
  errno = savedErrno;
}

}  // namespace

EndingSignalGuard::EndingSignalGuard(int wakeWriteEnd) {
  for (int sig = 0; sig < signalNumberLimit; ++sig) caughtSignals[sig] = 0;
  anySignalCaught = 0;
  toolProcess = 0;
  wakeDescriptor = wakeWriteEnd;
  catchEndingSignals(noteEndingSignal, saved);
}

void EndingSignalGuard::watchTool(pid_t pid) noexcept { toolProcess = pid; }

void EndingSignalGuard::toolReaped() noexcept { toolProcess = 0; }

void EndingSignalGuard::stopIfSignalled(const std::string& what) {
  if (anySignalCaught != 0) throwSystemError(EINTR, what);
}

void EndingSignalGuard::finish() noexcept {
  if (finished_) return;
  finished_ = true;
  toolProcess = 0;
  restoreEndingSignals(saved);
  wakeDescriptor = -1;
  bool noted[signalNumberLimit] = {};
  for (int sig = 1; sig < signalNumberLimit; ++sig) {
    noted[sig] = caughtSignals[sig] != 0;
    caughtSignals[sig] = 0;
  }
  anySignalCaught = 0;
  // Each raise takes its course before raise returns: the handlers first.
  const SignalList order = endingSignals();
  for (const bool handlers : {true, false})
    for (int sig : order)
      if (noted[sig] && runsHandler(saved.previous[sig]) == handlers) ::raise(sig);
}

}  // namespace orventa
