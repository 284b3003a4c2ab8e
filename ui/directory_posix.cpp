#include "ui/directory.h"

#include <dirent.h>

#include <cerrno>
#include <cstring>
#include <system_error>

std::vector<std::string> directoryEntries(const std::string& path) {
  DIR* directory = ::opendir(path.c_str());
  if (directory == nullptr) throw std::system_error(errno, std::generic_category(), path);
  std::vector<std::string> names;
  for (;;) {
    // readdir reports an error only through errno, so it is cleared first.
    errno = 0;
    const dirent* entry = ::readdir(directory);
    if (entry == nullptr) break;
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    names.emplace_back(entry->d_name);
  }
  const int error = errno;
  ::closedir(directory);
  if (error != 0) throw std::system_error(error, std::generic_category(), path);
  return names;
}
