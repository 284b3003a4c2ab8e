#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <utility>

#include "common/system_error.h"
#include "package/copy_removal_on_signal.h"
#include "package/private_copy.h"
#include "package/temporary_folder.h"

namespace orventa {

namespace {

std::string resolvedFolder(const std::string& folder) {
  std::unique_ptr<char, decltype(&std::free)> path(::realpath(folder.c_str(), nullptr), &std::free);
  if (!path) throwSystemError(errno, FileFailure::resolve, folder);
  return path.get();
}

}  // namespace

std::string temporaryFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  if (tmpdir != nullptr && tmpdir[0] != '\0') return tmpdir;
  return "/tmp";
}

std::vector<FileStatus> foldersOnTheWay(const std::string& folder) {
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
  std::vector<FileStatus> folders;
  for (const std::string& each : paths) {
    std::optional<FileStatus> folder = linkStatus(each);
    if (!folder) throwSystemError(errno, FileFailure::lookAt, each);
    folders.push_back(std::move(*folder));
  }
  return folders;
}

TemporaryFolderOperations realTemporaryFolderOperations() {
  TemporaryFolderOperations operations;
  operations.requested = temporaryFolder();
  operations.fallback = systemTemporaryFolder();
  operations.user = static_cast<std::uint32_t>(::geteuid());
  operations.resolve = resolvedFolder;
  operations.foldersOnTheWay = foldersOnTheWay;
  operations.longestGuardedPath = longestGuardedPath();
  return operations;
}

}  // namespace orventa
