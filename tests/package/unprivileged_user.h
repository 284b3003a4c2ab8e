#pragma once
// Runs part of a test as a user without privileges, as the assistant runs on
// a Mac: the tests run as root here, and root passes every permission check,
// so whatever depends on one (a folder mode, a folder that resists removal)
// must be tried as another user.

#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <functional>
#include <optional>

/// The user such a part runs as: "nobody" when this process is root, else
/// this process's own user. Nothing when root and there is no "nobody".
struct UnprivilegedUser {
  uid_t uid;
  gid_t gid;
};

inline std::optional<UnprivilegedUser> unprivilegedUser() {
  if (::geteuid() != 0) return UnprivilegedUser{::geteuid(), ::getegid()};
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr || nobody->pw_uid == 0) return std::nullopt;
  return UnprivilegedUser{nobody->pw_uid, nobody->pw_gid};
}

/// Runs `body` in a forked copy of this test program as unprivilegedUser()
/// and gives its result: what `body` returned (0 for success, by the
/// caller's convention), 125 when the privileges could not be dropped, 126
/// when `body` threw, -1 when the copy did not exit normally. The copy only
/// exits; what `body` wants to report it writes to standard error.
inline int asUnprivilegedUser(const UnprivilegedUser& user, const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    if (::getuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(user.gid) != 0 || ::setuid(user.uid) != 0))
      ::_exit(125);
    int status = 126;
    try {
      status = body();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "as an unprivileged user: %s\n", e.what());
    } catch (...) {
    }
    std::fflush(nullptr);
    ::_exit(status);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
