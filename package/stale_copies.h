#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "package/file_status.h"

namespace orventa {

/// A private copy is kept this long for the Installer, which may still read
/// it after the assistant has ended.
inline constexpr std::int64_t staleCopyAge = 24 * 60 * 60;

/// The names among `entries` that are private copies left by earlier runs:
/// folders named privateCopyPrefix + more, owned by `user`, with
/// permissions exactly 0700, modified more than staleCopyAge seconds before
/// `now`.
std::vector<std::string> staleCopies(const std::vector<FileStatus>& entries, std::uint32_t user, std::int64_t now);

/// What removeStaleCopies() takes from the platform.
struct StaleCopyOperations {
  /// The entries of a folder; throws the platform's error.
  std::function<std::vector<FileStatus>(const std::string& folder)> listFolder;
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
std::vector<FileStatus> folderEntries(const std::string& folder);

/// Removes `path` and everything in it without following symbolic links;
/// errors are ignored.
void removeTree(const std::string& path);

}  // namespace orventa
