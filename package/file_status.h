#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orventa {

/// What the checks of the temporary folder need to know of one file, as
/// lstat() reports it (a symbolic link is not a folder): the folders on the
/// way to it (temporary_folder.h) and the entries in it (stale_copies.h).
struct FileStatus {
  /// The name it was looked up by: a path, or an entry's name in its folder.
  std::string name;
  /// False for a symbolic link or anything else that is not a folder.
  bool isFolder = false;
  std::uint32_t owner = 0;
  /// Permission bits with set-id and sticky bits (st_mode & 07777).
  std::uint32_t permissions = 0;
  /// Last modification, seconds since the epoch.
  std::int64_t modified = 0;
};

/// lstat() of `path`, named `path`; nothing, with errno set, when it fails.
std::optional<FileStatus> linkStatus(const std::string& path);

}  // namespace orventa
