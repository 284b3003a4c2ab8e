#include "app/standard_streams.h"

#include <cerrno>
#include <unistd.h>

namespace orventa {

namespace {

bool writeAll(int descriptor, std::string_view bytes) {
  const char* next = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t written = ::write(descriptor, next, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    next += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

void writeStandardError(std::string_view bytes) { writeAll(STDERR_FILENO, bytes); }

bool writeStandardOutput(std::string_view bytes) { return writeAll(STDOUT_FILENO, bytes); }

}  // namespace orventa
