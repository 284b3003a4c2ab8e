#include <sys/statvfs.h>

#include <cerrno>

#include "common/system_error.h"
#include "package/private_copy.h"

namespace orventa {

FreeSpace freeSpaceFromStatvfs(int fd) {
  struct statvfs space;
  if (::fstatvfs(fd, &space) != 0) throwSystemError(errno, "fstatvfs");
  // Blocks are counted in fragments; a file system that reports no fragment
  // size counts them in blocks.
  return {.free = space.f_bfree,
          .available = space.f_bavail,
          .total = space.f_blocks,
          .unit = space.f_frsize != 0 ? space.f_frsize : space.f_bsize};
}

}  // namespace orventa
