#pragma once
// What the runner's tests (and the child they start) look at in a process:
// its open descriptors, its children, and whether it can adopt the orphans of
// what it starts. Written for Linux and macOS alike.

#include <dirent.h>
#include <sys/wait.h>

#ifdef __linux__
#include <sys/prctl.h>  // PR_SET_CHILD_SUBREAPER: Linux only
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <stdexcept>
#include <string>

/// The numbers of this process's open descriptors, the listing's own left
/// out. Both systems list them in /dev/fd (on Linux a link to /proc/self/fd,
/// on a Mac a file system of its own). Throws std::runtime_error when it
/// could not look, so that a test comparing two listings fails rather than
/// comparing two empty ones.
inline std::set<std::string> openDescriptors() {
  DIR* dir = opendir("/dev/fd");
  if (!dir) throw std::runtime_error(std::string("cannot list /dev/fd: ") + std::strerror(errno));
  std::set<std::string> fds;
  bool sawItself = false;
  errno = 0;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    if (std::atoi(entry->d_name) == dirfd(dir))
      sawItself = true;
    else
      fds.insert(entry->d_name);
  }
  const int readError = errno;
  closedir(dir);
  if (readError != 0) throw std::runtime_error(std::string("cannot read /dev/fd: ") + std::strerror(readError));
  // A listing that misses the descriptor it is read through does not show
  // this process's descriptors.
  if (!sawItself) throw std::runtime_error("/dev/fd does not list this process's open descriptors");
  return fds;
}

/// True when this process has no child at all, ended or running.
inline bool noChildren() { return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD; }

/// Whether adoptOrphans() can work here: Linux has subreapers, macOS has no
/// such thing (an orphan always goes to launchd), so there a test cannot wait
/// for what a tool left behind once the tool has ended.
#ifdef __linux__
inline constexpr bool canAdoptOrphans = true;
#else
inline constexpr bool canAdoptOrphans = false;
#endif

/// Makes this process the parent of the orphans of every process it starts,
/// however deep; false when that failed or the system cannot.
inline bool adoptOrphans() {
#ifdef __linux__
  return prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
#else
  return false;
#endif
}
