#include "driver/runner/ending_signal_guard.h"

#include <unistd.h>

#include <cerrno>

#include "common/system_error.h"

namespace orventa {

namespace {

constexpr std::size_t signalCount = std::size(endingSignals);
static_assert(signalCount < 31, "one bit per signal in a sig_atomic_t");

// Shared with the handler, so only what it may touch: lock-free
// sig_atomic_t, written whole. One bit per signal that came, by its place
// in endingSignals: a second, different signal is as real as the first
// (SIGINT, which the program handles and survives, then SIGTERM, which must
// still end it).
volatile sig_atomic_t caughtSignals = 0;
volatile sig_atomic_t wakeDescriptor = -1;

// Async-signal-safe: reads and writes the two globals and calls write(2),
// keeping errno as it found it. The ending signals are blocked while it
// runs, so it never interrupts itself between reading and writing the set.
extern "C" void noteEndingSignal(int sig) {
  const int savedErrno = errno;
  for (std::size_t i = 0; i < signalCount; ++i)
    if (endingSignals[i] == sig) caughtSignals = caughtSignals | (1 << i);
  const int fd = wakeDescriptor;
  if (fd >= 0) {
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);
  }
  errno = savedErrno;
}

}  // namespace

EndingSignalGuard::EndingSignalGuard(int wakeWriteEnd) {
  caughtSignals = 0;
  wakeDescriptor = wakeWriteEnd;
  catchEndingSignals(noteEndingSignal, saved_);
}

void EndingSignalGuard::stopIfSignalled(const std::string& what) {
  if (caughtSignals != 0) throwSystemError(EINTR, what);
}

void EndingSignalGuard::finish() noexcept {
  if (finished_) return;
  finished_ = true;
  restoreEndingSignals(saved_);
  wakeDescriptor = -1;
  const int noted = caughtSignals;
  caughtSignals = 0;
  // Each raise takes its course before raise returns: the handlers first.
  for (const bool handlers : {true, false})
    for (std::size_t i = 0; i < signalCount; ++i)
      if ((noted & (1 << i)) != 0 && runsHandler(saved_.previous[i]) == handlers) ::raise(endingSignals[i]);
}

}  // namespace orventa
