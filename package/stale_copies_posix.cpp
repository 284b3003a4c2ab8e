#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "common/directory.h"
#include "package/stale_copies.h"

namespace orventa {

std::vector<FolderEntry> folderEntries(const std::string& folder) {
  std::vector<FolderEntry> entries;
  for (const std::string& name : directoryEntries(folder)) {
    struct stat status;
    // An entry gone since the listing is simply skipped.
    if (::lstat((folder + "/" + name).c_str(), &status) != 0) continue;
    entries.push_back({name, S_ISDIR(status.st_mode), static_cast<std::uint32_t>(status.st_uid),
                       static_cast<std::uint32_t>(status.st_mode & 07777),
                       static_cast<std::int64_t>(status.st_mtime)});
  }
  return entries;
}

void removeTree(const std::string& path) {
  // remove_all removes symbolic links themselves, never what they point to.
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

}  // namespace orventa
