#include <sys/stat.h>

#include "package/file_status.h"

namespace orventa {

std::optional<FileStatus> linkStatus(const std::string& path) {
  struct stat status;
  if (::lstat(path.c_str(), &status) != 0) return std::nullopt;
  return FileStatus{path, S_ISDIR(status.st_mode), static_cast<std::uint32_t>(status.st_uid),
                    static_cast<std::uint32_t>(status.st_mode & 07777), static_cast<std::int64_t>(status.st_mtime)};
}

}  // namespace orventa
