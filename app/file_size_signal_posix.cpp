#include <signal.h>

#include "app/file_size_signal.h"

namespace orventa {

void failWritesPastTheFileSizeLimit() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGXFSZ, &ignore, nullptr);
}

}  // namespace orventa
