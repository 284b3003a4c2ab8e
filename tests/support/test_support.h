#pragma once
// What the tests share: a file's whole text, a fresh folder under the
// system's temporary folder, a TMPDIR setting for one test, and a part of a
// test run as a user without privileges, and a real stack overflow. Written
// for Linux and macOS alike.

#include <grp.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

/// The whole contents of `path`, byte for byte; empty when it cannot be read.
inline std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

/// A fresh folder under the system's temporary folder, removed with
/// everything in it when the test ends.
class ScratchFolder {
 public:
  /// `name` and six random characters name the folder.
  explicit ScratchFolder(std::string_view name = "package-test") {
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(name) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

  /// Writes `contents` to the file `name` in the folder; returns its path.
  /// Throws when it cannot be written whole.
  std::string write(const std::string& name, std::string_view contents) const {
    return writeTo(path_ / name, contents);
  }

  /// Writes `contents` to `file`; returns its path.
  static std::string writeTo(const std::filesystem::path& file, std::string_view contents) {
    std::ofstream out(file, std::ios::binary);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + file.string());
    return file.string();
  }

 private:
  std::filesystem::path path_;
};

/// Sets TMPDIR (or unsets it, for nothing) for one test.
class TemporaryFolderSetting {
 public:
  explicit TemporaryFolderSetting(const std::optional<std::string>& value) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    if (value) {
      ::setenv("TMPDIR", value->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }
  ~TemporaryFolderSetting() {
    if (old_) {
      ::setenv("TMPDIR", old_->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }

 private:
  std::optional<std::string> old_;
};

// Parts of a test run as a user without privileges, as the assistant runs on
// a Mac: the tests run as root here, and root passes every permission check,
// so whatever depends on one (a folder mode, a folder that resists removal)
// must be tried as another user.

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

/// Never reached: keeps overflowTheStack() from being seen as endless.
inline volatile int deepestFrame = -1;

/// Recurses until the stack overflows: a real fault of the program, for the
/// tests of what the guards do when the program itself crashes.
inline int overflowTheStack(int depth) {
  volatile char frame[4096];
  frame[0] = static_cast<char>(depth);
  if (depth == deepestFrame) return 0;
  return overflowTheStack(depth + 1) + frame[0];
}
