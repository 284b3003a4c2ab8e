#pragma once
// The signals that end the program by their default action, as the two
// guards against them see them: the runner's (driver/runner/ending_signal_guard.h), which
// ends the tool's group first, and the private copy's
// (package/copy_removal_on_signal.h), which removes the copy first.

#include <signal.h>

#include <cstddef>
#include <iterator>

namespace orventa {

/// Every signal that a program can catch and whose default action ends it
/// (SIGQUIT and SIGXCPU with a core dump where core dumps are on). SIGXFSZ is
/// not among them: the program ignores it from its start, so that a write
/// past the file-size limit fails with EFBIG like any failed write. At most
/// 31 of them, so that a guard can note each in one bit of a sig_atomic_t.
inline constexpr int endingSignals[] = {SIGINT,  SIGTERM, SIGHUP,    SIGQUIT, SIGUSR1,
                                        SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU};

/// The set of endingSignals, for a mask.
inline sigset_t endingSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : endingSignals) sigaddset(&set, sig);
  return set;
}

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
/// handler stands in for it: `previous` by the signal's place in
/// endingSignals, `caught` true where the guard's handler was put in place.
struct EndingSignalHandling {
  struct sigaction previous[std::size(endingSignals)] = {};
  bool caught[std::size(endingSignals)] = {};
};

/// Puts `handler` in place for every ending signal the program does not
/// ignore (an ignored one, as under nohup, stays ignored), the ending signals
/// blocked while it runs and without SA_RESTART, so that a wait wakes up at
/// once; what was there before goes into `saved`.
void catchEndingSignals(void (*handler)(int), EndingSignalHandling& saved) noexcept;

/// Puts back the handling `saved` kept for every signal
/// catchEndingSignals() caught. Async-signal-safe.
void restoreEndingSignals(const EndingSignalHandling& saved) noexcept;

}  // namespace orventa
