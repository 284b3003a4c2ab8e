#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "app/standard_descriptors.h"

namespace orventa {

void openMissingStandardDescriptors() noexcept {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    // The lowest free descriptor, and every lower one is open by now: the
    // null device lands exactly at `fd`.
    const int opened = ::open("/dev/null", O_RDONLY | O_NOCTTY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

}  // namespace orventa
