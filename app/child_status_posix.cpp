#include <signal.h>

#include "app/child_status.h"

namespace orventa {

void resetChildSignalToDefault() {
  struct sigaction defaults {};
  defaults.sa_handler = SIG_DFL;
  sigemptyset(&defaults.sa_mask);
  ::sigaction(SIGCHLD, &defaults, nullptr);
}

}  // namespace orventa
