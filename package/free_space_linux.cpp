// The free space as Linux reports it. fstatvfs() is the copy's reading here;
// fstatfs(), the Mac's, is built as well so that tests run it on Linux.

#include <sys/vfs.h>

#include <cerrno>

#include "common/system_error.h"
#include "package/private_copy.h"

namespace orventa {

FreeSpace freeSpaceFromStatfs(int fd) {
  struct statfs space;
  if (::fstatfs(fd, &space) != 0) throwSystemError(errno, "fstatfs");
  // As glibc's fstatvfs() reads it: blocks in fragments, else in blocks.
  const std::uint64_t unit = space.f_frsize != 0 ? static_cast<std::uint64_t>(space.f_frsize)
                                                 : static_cast<std::uint64_t>(space.f_bsize);
  return {.free = space.f_bfree, .available = space.f_bavail, .total = space.f_blocks, .unit = unit};
}

FreeSpaceReading platformFreeSpace() { return freeSpaceFromStatvfs; }

}  // namespace orventa
