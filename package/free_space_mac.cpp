// The free space as a Mac reports it. fstatvfs() there counts blocks in 32
// bits (a volume of more than 2^32 blocks gets a scaled block size or a
// wrong count); fstatfs() counts them in 64 bits, in units of f_bsize.

#include <sys/param.h>
#include <sys/mount.h>

#include <cerrno>

#include "common/system_error.h"
#include "package/private_copy.h"

namespace orventa {

FreeSpace freeSpaceFromStatfs(int fd) {
  struct statfs space;
  if (::fstatfs(fd, &space) != 0) throwSystemError(errno, "fstatfs");
  return {.free = space.f_bfree, .available = space.f_bavail, .total = space.f_blocks, .unit = space.f_bsize};
}

FreeSpaceReading platformFreeSpace() { return freeSpaceFromStatfs; }

}  // namespace orventa
