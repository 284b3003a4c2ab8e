#include "package/temporary_folder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <system_error>

#include "common/system_error.h"

namespace orventa {

std::string unsafeFolderReason(const std::vector<FileStatus>& folders, std::uint32_t user) {
  for (const FileStatus& folder : folders) {
    const std::string name = quotedForLog(folder.name);
    if (!folder.isFolder) return name + " is not a folder";
    if (folder.owner != user && folder.owner != 0)
      return name + " belongs to user " + std::to_string(folder.owner);
    if ((folder.permissions & (S_IWGRP | S_IWOTH)) != 0 && (folder.permissions & S_ISVTX) == 0)
      return name + " may be written by other users and has no sticky bit";
  }
  return {};
}

std::size_t privateCopyPathLength(const std::string& folder) {
  // folder + "/" + prefix + the six characters of mkdtemp() + "/" + file name
  return folder.size() + 1 + std::strlen(privateCopyPrefix) + 6 + 1 + std::strlen(privateCopyFileName);
}

namespace {

// Errors that say the copy cannot be made in this folder, while another
// folder may still take it.
bool folderUnusable(const std::error_code& error) {
  if (error.category() != std::system_category()) return false;
  switch (error.value()) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOENT:
    case ENOSPC:
    case EDQUOT:
      return true;
    default:
      return false;
  }
}

// The copy in `folder`, or nothing: then `reason` says why (for the record),
// and `failure` holds the creation's error when it was that.
std::unique_ptr<PackageCopy> copyIn(const TemporaryFolderOperations& operations, const std::string& folder,
                                    const std::function<std::unique_ptr<PackageCopy>(const std::string&)>& makeCopy,
                                    std::string& reason, std::exception_ptr& failure) {
  std::string path;
  try {
    path = operations.resolve(folder);
    reason = unsafeFolderReason(operations.foldersOnTheWay(path), operations.user);
  } catch (const std::system_error& error) {
    reason = quotedForLog(error.what());
  }
  // The removal on a signal cannot hold a longer path: such a copy would be
  // left behind by a signal.
  if (reason.empty() && privateCopyPathLength(path) > operations.longestGuardedPath)
    reason = "the private copy's path would be longer than the " + std::to_string(operations.longestGuardedPath) +
             " bytes its removal on a signal can hold";
  if (!reason.empty()) return nullptr;
  try {
    return makeCopy(path);
  } catch (const std::system_error& error) {
    if (!folderUnusable(error.code())) throw;
    reason = quotedForLog(error.what());
    failure = std::current_exception();
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<PackageCopy> privateCopyInTemporaryFolder(
    const TemporaryFolderOperations& operations,
    const std::function<std::unique_ptr<PackageCopy>(const std::string& folder)>& makeCopy, const EventLog& log) {
  std::string reason;
  std::exception_ptr failure;
  if (auto copy = copyIn(operations, operations.requested, makeCopy, reason, failure)) return copy;
  if (operations.fallback != operations.requested) {
    logEvent(log, LogCategory::package, "temporary folder " + quotedForLog(operations.requested) + " refused: " +
                                            reason + "; using " + quotedForLog(operations.fallback));
    failure = nullptr;
    if (auto copy = copyIn(operations, operations.fallback, makeCopy, reason, failure)) return copy;
  }
  logEvent(log, LogCategory::package, "temporary folder " + quotedForLog(operations.fallback) + " refused: " + reason);
  if (failure) std::rethrow_exception(failure);
  throwSystemError(EACCES, "Cannot create a private copy in " + operations.fallback);
}

}  // namespace orventa
