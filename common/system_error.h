#pragma once

#include <string>
#include <string_view>
#include <system_error>

namespace orventa {

/// Throws the platform's error `error` (an errno value) as std::system_error
/// in the system category, with what() = `what` + ": " + the system's text.
/// Every platform failure of the program leaves through here, so each one
/// carries the same category and its code compares equal wherever it is
/// caught.
[[noreturn]] inline void throwSystemError(int error, const std::string& what) {
  throw std::system_error(error, std::system_category(), what);
}

/// What the program could not do with a file or folder when the system
/// refused it: the failures a user reads in "Unable to Continue".
enum class FileFailure {
  list,               // "Cannot list PATH"
  resolve,            // "Cannot resolve PATH"
  lookAt,             // "Cannot look at PATH"
  read,               // "Cannot read PATH"
  write,              // "Cannot write PATH"
  create,             // "Cannot create PATH"
  createPrivateCopy,  // "Cannot create a private copy in PATH"
};

/// The English words that lead a failure's what(), "Cannot list" and so on:
/// the one place they are written.
constexpr std::string_view fileFailureLead(FileFailure failure) {
  switch (failure) {
    case FileFailure::list: return "Cannot list";
    case FileFailure::resolve: return "Cannot resolve";
    case FileFailure::lookAt: return "Cannot look at";
    case FileFailure::read: return "Cannot read";
    case FileFailure::write: return "Cannot write";
    case FileFailure::create: return "Cannot create";
    case FileFailure::createPrivateCopy: return "Cannot create a private copy in";
  }
  return {};
}

/// A platform error on a file or folder: a std::system_error in the system
/// category like any other (what() = lead + " " + path + ": " + the system's
/// text), that also keeps which failure it was and the path, so the user's
/// text can be made in their language without reading what().
class FileSystemError : public std::system_error {
 public:
  FileSystemError(int error, FileFailure failure, const std::string& path)
      : std::system_error(error, std::system_category(), std::string(fileFailureLead(failure)) + " " + path),
        failure_(failure),
        path_(path) {}

  FileFailure failure() const noexcept { return failure_; }
  const std::string& path() const noexcept { return path_; }

 private:
  FileFailure failure_;
  std::string path_;
};

/// Throws the platform's error `error` (an errno value) for `failure` on
/// `path` as a FileSystemError.
[[noreturn]] inline void throwSystemError(int error, FileFailure failure, const std::string& path) {
  throw FileSystemError(error, failure, path);
}

}  // namespace orventa
