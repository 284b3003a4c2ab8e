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
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>

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

/// A folder that `user` owns (mode 0700), made for it under the system's
/// temporary folder (P_tmpdir), which every user can reach: the test's own
/// TMPDIR and the checkout may lie under a folder that the user cannot pass
/// through (a clone in root's 0700 home). Removed with everything in it when
/// the test ends.
class UserScratchFolder {
 public:
  explicit UserScratchFolder(const UnprivilegedUser& user) {
    std::string pattern = P_tmpdir;
    if (pattern.empty() || pattern.back() != '/') pattern += '/';
    pattern += "assistant-user-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::system_error(errno, std::generic_category(), "mkdtemp");
    path_ = pattern;
    if (::chown(path_.c_str(), user.uid, user.gid) != 0) {
      const int error = errno;
      ::rmdir(path_.c_str());
      throw std::system_error(error, std::generic_category(), "chown " + path_.string());
    }
  }
  ~UserScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  UserScratchFolder(const UserScratchFolder&) = delete;
  UserScratchFolder& operator=(const UserScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};
