#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <system_error>

#include "package/file_chunks.h"

namespace {

[[noreturn]] void throwReadError(int error, const std::string& path) {
  throw std::system_error(error, std::generic_category(), "Cannot read " + path);
}

// Refuses what is not a regular file before anything waits on it.
void requireRegularFile(const struct stat& status, const std::string& path) {
  if (S_ISREG(status.st_mode)) return;
  if (S_ISDIR(status.st_mode)) throwReadError(EISDIR, path);
#ifdef EFTYPE
  throwReadError(EFTYPE, path);  // "Inappropriate file type or format"
#else
  throwReadError(EINVAL, path);  // what copy_file_range and sendfile give for such files
#endif
}

struct Descriptor {
  int fd;
  ~Descriptor() { ::close(fd); }
};

}  // namespace

void readFileChunks(const std::string& path, const ChunkConsumer& consume) {
  // Looked at before it is opened: opening a device can have effects of its
  // own (a serial line's control signals, a tape's rewind).
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) throwReadError(errno, path);
  requireRegularFile(status, path);

  // Non-blocking, so a file swapped for a FIFO after the check cannot hang
  // the open; the type is then checked again on what was opened.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) throwReadError(errno, path);
  const Descriptor descriptor{fd};
  if (::fstat(fd, &status) != 0) throwReadError(errno, path);
  requireRegularFile(status, path);
#ifdef POSIX_FADV_SEQUENTIAL
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif

  // One buffer reused for every chunk: it stays in cache between the read
  // and the hash, where a mapping would fault at every page.
  // Left uninitialised: the reads fill what is used.
  const std::unique_ptr<unsigned char[]> buffer(new unsigned char[fileChunkSize]);
  const auto limit = static_cast<unsigned long long>(status.st_size) + 1;
  unsigned long long total = 0;
  while (total < limit) {
    const std::size_t wanted = limit - total < fileChunkSize ? static_cast<std::size_t>(limit - total) : fileChunkSize;
    const ssize_t got = ::read(fd, buffer.get(), wanted);
    if (got < 0) {
      if (errno == EINTR) continue;
      throwReadError(errno, path);
    }
    if (got == 0) break;
    total += static_cast<unsigned long long>(got);
    consume({buffer.get(), static_cast<std::size_t>(got)});
  }
}
