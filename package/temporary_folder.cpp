#include "package/temporary_folder.h"

#include <sys/stat.h>

std::string unsafeFolderReason(const std::vector<PathFolder>& folders, std::uint32_t user) {
  for (const PathFolder& folder : folders) {
    const std::string name = quotedForLog(folder.path);
    if (!folder.isFolder) return name + " is not a folder";
    if (folder.owner != user && folder.owner != 0)
      return name + " belongs to user " + std::to_string(folder.owner);
    if ((folder.permissions & (S_IWGRP | S_IWOTH)) != 0 && (folder.permissions & S_ISVTX) == 0)
      return name + " may be written by other users and has no sticky bit";
  }
  return {};
}
