#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <system_error>

#include "package/stale_copies.h"

std::vector<FolderEntry> folderEntries(const std::string& folder) {
  std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), ::closedir);
  if (!listing) throw std::system_error(errno, std::generic_category(), "Cannot list " + folder);
  std::vector<FolderEntry> entries;
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
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
