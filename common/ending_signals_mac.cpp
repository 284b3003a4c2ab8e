#include <initializer_list>

#include "common/ending_signals.h"

namespace orventa {

int lastSignalNumber() noexcept { return NSIG - 1; }

SignalList signalsThatDoNotEnd() noexcept {
  // sigaction(2): "discard signal" for SIGURG, SIGCHLD, SIGIO, SIGWINCH and
  // SIGINFO, "continue process" for SIGCONT, "stop process" for the others.
  // SIGEMT ends a program here (with a core dump); SIGXCPU and SIGXFSZ end
  // it without one.
  SignalList list;
  for (int sig : {SIGURG, SIGCHLD, SIGIO, SIGWINCH, SIGINFO, SIGCONT, SIGSTOP, SIGTSTP, SIGTTIN, SIGTTOU})
    list.signals[list.count++] = sig;
  return list;
}

}  // namespace orventa
