#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/event_log.h"

/// One folder on the way to a temporary folder, as lstat() reports it.
struct PathFolder {
  std::string path;
  /// False for a symbolic link or anything else that is not a folder.
  bool isFolder = false;
  std::uint32_t owner = 0;
  /// Permission bits with set-id and sticky bits (st_mode & 07777).
  std::uint32_t permissions = 0;
};

/// Why a private copy under the last of `folders` would not be safe from
/// other users, or the empty text when it would be. `folders` is every
/// folder from "/" down to the temporary folder, links already resolved.
/// Each must be a folder owned by `user` or by root (0), and one that its
/// group or others may write must have the sticky bit, which keeps them from
/// renaming or replacing what they do not own (so "/tmp" at 01777 is safe,
/// a folder at 0777 is not). Otherwise anyone who may write a folder on the
/// way could move the copy's folder away and put one of their own in its
/// place after the package was hashed.
std::string unsafeFolderReason(const std::vector<PathFolder>& folders, std::uint32_t user);

/// The folders from "/" down to the resolved `folder` (an absolute path
/// without links), as lstat() sees them. Throws std::system_error.
std::vector<PathFolder> foldersOnTheWay(const std::string& folder);

/// The folder where private copies are made and stale ones removed: the
/// user's temporary folder (temporaryFolder(), links resolved) when
/// unsafeFolderReason() finds nothing against it; otherwise a record in
/// `log` names the refused folder and why, and the system's per-user place
/// is used instead (on a Mac confstr(_CS_DARWIN_USER_TEMP_DIR), elsewhere
/// "/tmp"), under the same rule. Throws std::system_error (EACCES, "Cannot
/// create a private copy in " + folder) when that fails it too.
std::string safeTemporaryFolder(const EventLog& log);
