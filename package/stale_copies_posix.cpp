#include <filesystem>
#include <system_error>
#include <utility>

#include "common/directory.h"
#include "package/file_status.h"
#include "package/stale_copies.h"

namespace orventa {

std::vector<FileStatus> folderEntries(const std::string& folder) {
  std::vector<FileStatus> entries;
  for (const std::string& name : directoryEntries(folder)) {
    std::optional<FileStatus> entry = linkStatus(folder + "/" + name);
    // An entry gone since the listing is simply skipped.
    if (!entry) continue;
    entry->name = name;
    entries.push_back(std::move(*entry));
  }
  return entries;
}

void removeTree(const std::string& path) {
  // remove_all removes symbolic links themselves, never what they point to.
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

}  // namespace orventa
