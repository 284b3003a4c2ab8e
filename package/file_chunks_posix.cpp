#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

#include "package/file_bytes.h"

namespace {

[[noreturn]] void throwReadError(int error, const std::string& path) {
  throw std::system_error(error, std::generic_category(), "Cannot read " + path);
}

struct Descriptor {
  int fd;
  ~Descriptor() { ::close(fd); }
};

// Reads to end of file; used where mapping is not possible (pipes, files
// whose size the system reports as 0 such as those under /proc).
FileBytes readIntoMemory(int fd, std::size_t sizeHint, const std::string& path) {
  auto buffer = std::make_shared<std::vector<unsigned char>>(sizeHint + 1);
  std::size_t filled = 0;
  for (;;) {
    if (filled == buffer->size()) buffer->resize(buffer->size() * 2);
    ssize_t got = ::read(fd, buffer->data() + filled, buffer->size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      throwReadError(errno, path);
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  return {std::span<const unsigned char>(buffer->data(), filled), buffer};
}

}  // namespace

FileBytes readWholeFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throwReadError(errno, path);
  Descriptor descriptor{fd};

  struct stat status;
  if (::fstat(fd, &status) != 0) throwReadError(errno, path);
  if (S_ISDIR(status.st_mode)) throwReadError(EISDIR, path);

  if (S_ISREG(status.st_mode) && status.st_size > 0) {
    const auto size = static_cast<std::size_t>(status.st_size);
    int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
    // The whole file is hashed at once: fault it in up front rather than a
    // page at a time.
    flags |= MAP_POPULATE;
#endif
    void* address = ::mmap(nullptr, size, PROT_READ, flags, fd, 0);
    if (address != MAP_FAILED) {
      ::madvise(address, size, MADV_SEQUENTIAL);
      std::shared_ptr<const void> owner(address, [size](const void* mapped) {
        ::munmap(const_cast<void*>(mapped), size);
      });
      return {std::span<const unsigned char>(static_cast<const unsigned char*>(address), size), owner};
    }
    // Some file systems cannot map; reading still works there.
  }
  const auto hint = S_ISREG(status.st_mode) ? static_cast<std::size_t>(status.st_size) : std::size_t{64 * 1024};
  return readIntoMemory(fd, hint, path);
}
