#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <system_error>

#include "common/system_error.h"
#include "package/private_copy.h"
#include "package/temporary_folder.h"

namespace {

// The system's own per-user place for temporary files: on a Mac the folder
// under /var/folders that only the user may enter.
std::string fallbackFolder() {
#ifdef __APPLE__
  char folder[PATH_MAX];
  const std::size_t length = ::confstr(_CS_DARWIN_USER_TEMP_DIR, folder, sizeof(folder));
  if (length > 0 && length <= sizeof(folder)) return folder;
#endif
  return "/tmp";
}

// `folder` with its links resolved, or why that failed.
std::string resolved(const std::string& folder, std::string& reason) {
  std::unique_ptr<char, decltype(&std::free)> path(::realpath(folder.c_str(), nullptr), &std::free);
  if (!path) {
    reason = std::error_code(errno, std::system_category()).message();
    return {};
  }
  return path.get();
}

// The resolved folder when it is safe; otherwise the empty text, and
// `reason` says why not.
std::string checked(const std::string& folder, std::uint32_t user, std::string& reason) {
  const std::string path = resolved(folder, reason);
  if (path.empty()) return {};
  try {
    reason = unsafeFolderReason(foldersOnTheWay(path), user);
  } catch (const std::system_error& failure) {
    reason = failure.what();
  }
  return reason.empty() ? path : std::string();
}

}  // namespace

std::vector<PathFolder> foldersOnTheWay(const std::string& folder) {
  std::vector<std::string> paths{"/"};
  std::string path;
  for (std::size_t start = 1; start < folder.size();) {
    std::size_t end = folder.find('/', start);
    if (end == std::string::npos) end = folder.size();
    if (end > start) {
      path += "/" + folder.substr(start, end - start);
      paths.push_back(path);
    }
    start = end + 1;
  }
  std::vector<PathFolder> folders;
  for (const std::string& each : paths) {
    struct stat status;
    if (::lstat(each.c_str(), &status) != 0)
      throwSystemError(errno, "Cannot look at " + each);
    folders.push_back({each, S_ISDIR(status.st_mode), static_cast<std::uint32_t>(status.st_uid),
                       static_cast<std::uint32_t>(status.st_mode & 07777)});
  }
  return folders;
}

std::string safeTemporaryFolder(const EventLog& log) {
  const auto user = static_cast<std::uint32_t>(::geteuid());
  const std::string requested = temporaryFolder();
  std::string reason;
  std::string folder = checked(requested, user, reason);
  if (!folder.empty()) return folder;
  const std::string fallback = fallbackFolder();
  if (fallback != requested) {
    logEvent(log, LogCategory::package, "temporary folder " + quotedForLog(requested) + " refused: " + reason +
                                            "; using " + quotedForLog(fallback));
    folder = checked(fallback, user, reason);
    if (!folder.empty()) return folder;
  }
  logEvent(log, LogCategory::package, "temporary folder " + quotedForLog(fallback) + " refused: " + reason);
  throwSystemError(EACCES, "Cannot create a private copy in " + fallback);
}
