#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "common/descriptor.h"
#include "common/system_error.h"
#include "package/file_chunks.h"

namespace orventa {

namespace {

[[noreturn]] void throwReadError(int error, const std::string& path) { throwSystemError(error, FileFailure::read, path); }

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

}  // namespace

void readFileChunks(const std::string& path, const ChunkConsumer& consume, const SizeCheck& checkSize) {
  // Looked at before it is opened: opening a device can have effects of its
  // own (a serial line's control signals, a tape's rewind).
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) throwReadError(errno, path);
  requireRegularFile(status, path);

  // Non-blocking, so a file swapped for a FIFO after the check cannot hang
  // the open; the type is then checked again on what was opened.
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!file.isOpen()) throwReadError(errno, path);
  if (::fstat(file.get(), &status) != 0) throwReadError(errno, path);
  requireRegularFile(status, path);
  if (checkSize) checkSize(static_cast<std::uint64_t>(status.st_size));

  const std::unique_ptr<unsigned char[]> buffer(new unsigned char[fileChunkSize]);
  const auto limit = static_cast<unsigned long long>(status.st_size) + 1;
  unsigned long long total = 0;
  while (total < limit) {
    const std::size_t wanted = limit - total < fileChunkSize ? static_cast<std::size_t>(limit - total) : fileChunkSize;
    const ssize_t got = ::read(file.get(), buffer.get(), wanted);
    if (got < 0) {
      if (errno == EINTR) continue;
      throwReadError(errno, path);
    }
    if (got == 0) break;
    total += static_cast<unsigned long long>(got);
    consume({buffer.get(), static_cast<std::size_t>(got)});
  }
}

}  // namespace orventa
