#include "common/directory.h"

#include <dirent.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "common/system_error.h"

namespace orventa {

std::vector<std::string> directoryEntries(const std::string& path) {
  const std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(path.c_str()), ::closedir);
  if (!directory) throwSystemError(errno, FileFailure::list, path);
  std::vector<std::string> names;
  for (;;) {
    // readdir reports an error only through errno, so it is cleared first.
    errno = 0;
    const dirent* entry = ::readdir(directory.get());
    if (entry == nullptr) break;
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    names.emplace_back(entry->d_name);
  }
  if (errno != 0) throwSystemError(errno, FileFailure::list, path);
  return names;
}

}  // namespace orventa
