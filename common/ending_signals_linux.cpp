#include <initializer_list>

#include "common/ending_signals.h"

namespace orventa {

int lastSignalNumber() noexcept { return SIGRTMAX; }

SignalList signalsThatDoNotEnd() noexcept {
  // signal(7): "Ign" for SIGCHLD, SIGURG and SIGWINCH, "Cont" for SIGCONT,
  // "Stop" for the others. SIGIO (SIGPOLL), SIGPWR and SIGSTKFLT end a
  // program here.
  SignalList list;
  for (int sig : {SIGCHLD, SIGCONT, SIGSTOP, SIGTSTP, SIGTTIN, SIGTTOU, SIGURG, SIGWINCH})
    list.signals[list.count++] = sig;
  return list;
}

}  // namespace orventa
