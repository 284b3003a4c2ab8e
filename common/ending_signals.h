#pragma once
// The signals that end the program by their default action, as the two
// guards against them see them: the runner's (driver/runner/ending_signal_guard.h), which
// ends the tool's group first, and the private copy's
// (package/copy_removal_on_signal.h), which removes the copy first.

#include <signal.h>

#include <cstddef>

namespace orventa {

/// One more than the largest signal number of the platform: room for a note
/// per signal, indexed by its number.
inline constexpr int signalNumberLimit = NSIG;

/// A list of signal numbers, each below signalNumberLimit.
struct SignalList {
  int signals[signalNumberLimit] = {};
  std::size_t count = 0;
  const int* begin() const { return signals; }
  const int* end() const { return signals + count; }
};

/// Every signal that a program can catch and whose default action ends it,
/// with a core dump or without, derived from the platform at run time: each
/// signal number up to lastSignalNumber() (on Linux the real-time signals
/// up to SIGRTMAX as the C library has them), less SIGKILL and SIGSTOP,
/// which cannot be caught, less signalsThatDoNotEnd(), and less the numbers
/// the C library keeps for itself (sigaction() refuses them). So SIGABRT,
/// the fault signals and SIGPIPE are among them, SIGEMT on a Mac, SIGIO,
/// SIGPWR, SIGSTKFLT and the real-time signals on Linux. SIGXFSZ is too, but
/// the program ignores it from its start, so that a write past the
/// file-size limit fails with EFBIG like any failed write, and an ignored
/// signal stays ignored. SIGINT and SIGTERM come first (the program's
/// application object handles them), the others by number: the order in
/// which the guards raise again the signals that came meanwhile.
SignalList endingSignals() noexcept;

/// The platform's last signal number: SIGRTMAX on Linux, read at run time.
int lastSignalNumber() noexcept;

/// The signals whose default action ignores them, stops the program or
/// continues it, by the platform's own table (signal(7) on Linux,
/// sigaction(2) on a Mac): the ones the platform does not end a program on.
SignalList signalsThatDoNotEnd() noexcept;

/// The set of endingSignals(), for a mask.
sigset_t endingSignalSet() noexcept;

/// Blocks the ending signals while it lives, then puts back the mask it
/// found: one that comes meanwhile waits, and takes its course then.
class EndingSignalsBlocked {
 public:
  EndingSignalsBlocked() noexcept;
  EndingSignalsBlocked(const EndingSignalsBlocked&) = delete;
  EndingSignalsBlocked& operator=(const EndingSignalsBlocked&) = delete;
  ~EndingSignalsBlocked();

 private:
  sigset_t previous_;
  bool blocked_ = false;
};

/// Whether `sig` may come from a fault of the program itself (SIGSEGV,
/// SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGSYS, SIGABRT, as abort() and an
/// uncaught exception end in). Such a signal cannot wait for the program to
/// look at it: when the handler returns the fault comes again, and the
/// program may not be able to go on at all. A guard's handler does its work
/// for it at once, with async-signal-safe calls only, and raises it again.
/// Async-signal-safe.
bool isFaultSignal(int sig) noexcept;

/// Whether `action` ignores its signal (as nohup leaves SIGHUP): a guard
/// leaves such a signal alone, so it stays ignored.
inline bool ignores(const struct sigaction& action) {
  return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == SIG_IGN;
}

/// Whether `action` runs a handler rather than the default action. When
/// signals that came meanwhile are raised again, these go first: a handler
/// returns, and a signal at its default after it still ends the program,
/// while the other order would end the program before the handler ran.
inline bool runsHandler(const struct sigaction& action) {
  return (action.sa_flags & SA_SIGINFO) != 0 || (action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN);
}

/// The program's own handling of each ending signal, kept while a guard's
/// handler stands in for it: `previous` by signal number, `caught` true
/// where the guard's handler was put in place.
struct EndingSignalHandling {
  struct sigaction previous[signalNumberLimit] = {};
  bool caught[signalNumberLimit] = {};
};

/// Puts `handler` in place for every ending signal the program does not
/// ignore (an ignored one, as under nohup, stays ignored), the ending signals
/// blocked while it runs and without SA_RESTART, so that a wait wakes up at
/// once; what was there before goes into `saved`. The handler runs on an
/// alternate signal stack (one is set up for the thread when it has none),
/// so that it runs even when the program's own stack has overflowed.
void catchEndingSignals(void (*handler)(int), EndingSignalHandling& saved) noexcept;

/// Puts back the handling `saved` kept for every signal
/// catchEndingSignals() caught. Async-signal-safe.
void restoreEndingSignals(const EndingSignalHandling& saved) noexcept;

/// Puts back the program's own handling of `sig`, kept in `saved`, and
/// raises it again: called from a guard's handler, where the signal is
/// blocked, it takes its course as soon as the handler returns (for a
/// fault, at the place of the fault, so that the crash report and the core
/// dump show the fault itself). Async-signal-safe.
void raiseAgainAfterHandler(int sig, const EndingSignalHandling& saved) noexcept;

}  // namespace orventa
