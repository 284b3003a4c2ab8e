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
  // A relative TMPDIR would make the copy's path depend on the working
  // folder of whoever opens it.
  if (folder.empty() || folder[0] != '/') {
    reason = quotedForLog(folder) + " is not an absolute path";
    return nullptr;
  }
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

bool outOfSpace(const std::system_error& error) {
  return error.code().category() == std::system_category() &&
         (error.code().value() == ENOSPC || error.code().value() == EDQUOT);
}

using CopyMaker = std::function<std::unique_ptr<PackageCopy>(const std::string& folder)>;

// After the requested folder was refused for `reason`: records it and makes
// the copy in the fallback, or records why not and throws.
std::unique_ptr<PackageCopy> copyInFallback(const TemporaryFolderOperations& operations, const CopyMaker& makeCopy,
                                            const EventLog& log, std::string reason) {
  logEvent(log, LogCategory::package, "temporary folder " + quotedForLog(operations.requested) + " refused: " +
                                          reason + "; using " + quotedForLog(operations.fallback));
  std::exception_ptr failure;
  if (auto copy = copyIn(operations, operations.fallback, makeCopy, reason, failure)) return copy;
  logEvent(log, LogCategory::package, "temporary folder " + quotedForLog(operations.fallback) + " refused: " + reason);
  if (failure) std::rethrow_exception(failure);
  throwSystemError(EACCES, FileFailure::createPrivateCopy, operations.fallback);
}

// A copy in the requested folder that, while nothing is written yet, moves
// to the fallback when the requested folder has no room for the package.
// It keeps what the fallback needs: the copy is written after the call that
// made it has returned.
class CopyWithFallback final : public PackageCopy {
 public:
  CopyWithFallback(std::unique_ptr<PackageCopy> copy, TemporaryFolderOperations operations, CopyMaker makeCopy,
                   EventLog log)
      : copy_(std::move(copy)),
        operations_(std::move(operations)),
        makeCopy_(std::move(makeCopy)),
        log_(std::move(log)) {}

  const std::string& path() const override { return copy_->path(); }

  void reserve(std::uint64_t size) override {
    try {
      copy_->reserve(size);
    } catch (const std::system_error& error) {
      if (!fallBack(error)) throw;
      copy_->reserve(size);
    }
  }

  void append(std::span<const unsigned char> bytes) override {
    try {
      copy_->append(bytes);
    } catch (const std::system_error& error) {
      // Bytes already written cannot be written again here.
      if (written_ || !fallBack(error)) throw;
      copy_->append(bytes);
    }
    written_ = true;
  }

  void close() override { copy_->close(); }
  void remove() noexcept override { copy_->remove(); }

 private:
  // Gives the copy up for one in the fallback, once, when `error` says the
  // requested folder is full.
  bool fallBack(const std::system_error& error) {
    if (fellBack_ || !outOfSpace(error)) return false;
    fellBack_ = true;
    copy_->remove();
    copy_ = copyInFallback(operations_, makeCopy_, log_, quotedForLog(error.what()));
    return true;
  }

  std::unique_ptr<PackageCopy> copy_;
  TemporaryFolderOperations operations_;
  CopyMaker makeCopy_;
  EventLog log_;
  bool written_ = false;
  bool fellBack_ = false;
};

}  // namespace

std::unique_ptr<PackageCopy> privateCopyInTemporaryFolder(
    const TemporaryFolderOperations& operations,
    const std::function<std::unique_ptr<PackageCopy>(const std::string& folder)>& makeCopy, const EventLog& log) {
  std::string reason;
  std::exception_ptr failure;
  const bool hasFallback = operations.fallback != operations.requested;
  if (auto copy = copyIn(operations, operations.requested, makeCopy, reason, failure)) {
    if (!hasFallback) return copy;
    // Room for the copy's folder is not room for the package: a full
    // folder shows only once the copy is written.
    return std::make_unique<CopyWithFallback>(std::move(copy), operations, makeCopy, log);
  }
  if (hasFallback) return copyInFallback(operations, makeCopy, log, reason);
  logEvent(log, LogCategory::package, "temporary folder " + quotedForLog(operations.fallback) + " refused: " + reason);
  if (failure) std::rethrow_exception(failure);
  throwSystemError(EACCES, FileFailure::createPrivateCopy, operations.fallback);
}

}  // namespace orventa
