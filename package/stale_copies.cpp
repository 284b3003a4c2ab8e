#include "package/stale_copies.h"

#include <exception>
#include <string_view>

#include "package/private_copy.h"

namespace orventa {

std::vector<std::string> staleCopies(const std::vector<FileStatus>& entries, std::uint32_t user, std::int64_t now) {
  const std::string_view prefix = privateCopyPrefix;
  std::vector<std::string> stale;
  for (const FileStatus& entry : entries) {
    // Each condition narrows the match to what only this program makes: a
    // folder of another user, or one that someone opened up, is not ours
    // to remove.
    if (entry.name.size() > prefix.size() && entry.name.starts_with(prefix) && entry.isFolder &&
        entry.owner == user && entry.permissions == 0700 && now - entry.modified > staleCopyAge)
      stale.push_back(entry.name);
  }
  return stale;
}

void removeStaleCopies(const StaleCopyOperations& operations, const std::string& folder, std::uint32_t user,
                       std::int64_t now) {
  std::vector<FileStatus> entries;
  try {
    entries = operations.listFolder(folder);
  } catch (const std::exception&) {
    return;
  }
  for (const std::string& name : staleCopies(entries, user, now))
    operations.removeTree(folder + "/" + name);
}

}  // namespace orventa
