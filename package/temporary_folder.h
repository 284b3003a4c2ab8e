#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/event_log.h"
#include "package/file_status.h"
#include "package/private_copy.h"

namespace orventa {

/// The user's temporary folder: TMPDIR as it is set (a relative one too,
/// which privateCopyInTemporaryFolder() refuses), else "/tmp" when it is
/// unset or empty.
std::string temporaryFolder();

/// Why a private copy under the last of `folders` would not be safe from
/// other users, or the empty text when it would be. `folders` is every
/// folder from "/" down to the temporary folder, links already resolved.
/// Each must be a folder owned by `user` or by root (0), and one that its
/// group or others may write must have the sticky bit, which keeps them from
/// renaming or replacing what they do not own (so "/tmp" at 01777 is safe,
/// a folder at 0777 is not). Otherwise anyone who may write a folder on the
/// way could move the copy's folder away and put one of their own in its
/// place after the package was hashed.
std::string unsafeFolderReason(const std::vector<FileStatus>& folders, std::uint32_t user);

/// The folders from "/" down to the resolved `folder` (an absolute path
/// without links), as lstat() sees them. Throws std::system_error.
std::vector<FileStatus> foldersOnTheWay(const std::string& folder);

/// What choosing the folder for the private copy needs from the platform.
struct TemporaryFolderOperations {
  /// The user's temporary folder (temporaryFolder()).
  std::string requested;
  /// The system's own per-user place for temporary files, where the copy
  /// goes when `requested` is refused (systemTemporaryFolder()).
  std::string fallback;
  /// The user the copy is made for (the effective user id).
  std::uint32_t user = 0;
  /// The folder with its links resolved; throws std::system_error.
  std::function<std::string(const std::string& folder)> resolve;
  /// foldersOnTheWay() or a stand-in; throws std::system_error.
  std::function<std::vector<FileStatus>(const std::string& folder)> foldersOnTheWay;
  /// The longest copy path the removal on a signal can hold
  /// (longestGuardedPath() of copy_removal_on_signal.h).
  std::size_t longestGuardedPath = 0;
};

/// The length of the private copy's file path under `folder`, as
/// makePrivateCopy() makes it.
std::size_t privateCopyPathLength(const std::string& folder);

/// Makes the private copy with `makeCopy` (which also removes stale copies
/// there first) in the user's temporary folder, links resolved, when that
/// folder is an absolute path, passes unsafeFolderReason() and the copy's
/// path fits the removal on a signal. When it does not, or when `makeCopy`
/// cannot make the copy's folder there (EACCES, EPERM, EROFS, ENOENT,
/// ENOSPC, EDQUOT: root's own folder for another user, a read-only or full
/// file system), a record in `log` names the refused folder and why, and
/// `operations.fallback` is tried the same way, held to the same rule. When
/// that fails too, a second record says why, and the error of the failed
/// creation is thrown, or std::system_error (EACCES, "Cannot create a
/// private copy in " + the fallback) when the rule refused it. Any other
/// error of `makeCopy` passes through at once.
/// A folder that takes the copy's folder but not the package falls back
/// the same way: when the copy's reserve() or its first append() fails with
/// ENOSPC or EDQUOT, the copy is removed, a record says why, and the
/// fallback's copy takes its place (once; its own failure passes on). A
/// write that fails so after bytes were written passes on as it is.
std::unique_ptr<PackageCopy> privateCopyInTemporaryFolder(
    const TemporaryFolderOperations& operations,
    const std::function<std::unique_ptr<PackageCopy>(const std::string& folder)>& makeCopy, const EventLog& log);

/// The platform's operations: temporaryFolder(), systemTemporaryFolder(),
/// realpath(), foldersOnTheWay() and the signal removal's capacity.
TemporaryFolderOperations realTemporaryFolderOperations();

/// The system's per-user place for temporary files: on a Mac
/// confstr(_CS_DARWIN_USER_TEMP_DIR), the folder under /var/folders that only
/// the user may enter; elsewhere "/tmp".
std::string systemTemporaryFolder();

}  // namespace orventa
