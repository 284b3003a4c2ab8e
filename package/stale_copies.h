#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orventa {

/// What the cleanup needs to know of one entry of the temporary folder, as
/// lstat() reports it (a symbolic link is not a folder).
struct FolderEntry {
  std::string name;
  bool isFolder = false;
  std::uint32_t owner = 0;
  /// Permission bits with set-id and sticky bits (st_mode & 07777).
  std::uint32_t permissions = 0;
  /// Last modification, seconds since the epoch.
  std::int64_t modified = 0;
};

/// A private copy is kept this long for the Installer, which may still read
/// it after the assistant has ended.
inline constexpr std::int64_t staleCopyAge = 24 * 60 * 60;

/// The names among `entries` that are private copies left by earlier runs:
/// folders named privateCopyPrefix + more, owned by `user`, with
/// permissions exactly 0700, modified more than staleCopyAge seconds before
/// `now`.
std::vector<std::string> staleCopies(const std::vector<FolderEntry>& entries, std::uint32_t user, std::int64_t now);

/// What removeStaleCopies() takes from the platform.
struct StaleCopyOperations {
  /// The entries of a folder; throws the platform's error.
  std::function<std::vector<FolderEntry>(const std::string& folder)> listFolder;
  /// Removes a folder with everything in it; never throws.
  std::function<void(const std::string& path)> removeTree;
};

/// Removes the stale copies (see staleCopies) in `folder`. A folder that cannot be listed leaves everything as it is:
/// the cleanup never stops the assistant.
void removeStaleCopies(const StaleCopyOperations& operations, const std::string& folder, std::uint32_t user,
                       std::int64_t now);

/// The entries of `folder` as lstat() sees them (listed by directoryEntries,
/// common/directory.h); throws its std::system_error when the folder cannot
/// be listed whole.
std::vector<FolderEntry> folderEntries(const std::string& folder);

/// Removes `path` and everything in it without following symbolic links;
/// errors are ignored.
void removeTree(const std::string& path);

}  // namespace orventa
