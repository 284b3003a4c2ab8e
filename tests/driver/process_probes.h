#pragma once
// What the runner's tests look at in this process: its open descriptors and
// its children.

#include <dirent.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <set>
#include <string>

/// The numbers of this process's open descriptors, the listing's own left out.
inline std::set<std::string> openDescriptors() {
  std::set<std::string> fds;
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return fds;
  while (dirent* entry = readdir(dir))
    if (entry->d_name[0] != '.' && std::atoi(entry->d_name) != dirfd(dir)) fds.insert(entry->d_name);
  closedir(dir);
  return fds;
}

/// True when this process has no child at all, ended or running.
inline bool noChildren() { return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD; }
