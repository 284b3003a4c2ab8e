#include "app/stderr_posix.h"

#include <cerrno>
#include <unistd.h>

void writeStandardError(std::string_view bytes) {
  const char* next = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t written = ::write(STDERR_FILENO, next, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return;  // nowhere left to report to
    }
    next += written;
    left -= static_cast<std::size_t>(written);
  }
}
