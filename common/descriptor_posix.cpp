#include "common/descriptor.h"

#include <unistd.h>

namespace orventa {

void Descriptor::reset() noexcept {
  // Not retried on EINTR: the descriptor is released either way, and a
  // second close could close one that another open has just been given.
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace orventa
