#pragma once
// A fresh folder under the system's temporary folder, removed with
// everything in it when the test ends; and a TMPDIR setting for one test.

#include <filesystem>
#include <fstream>
#include <string>
#include <optional>
#include <stdexcept>
#include <string_view>

#include <stdlib.h>

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

// Sets TMPDIR (or unsets it, for nothing) for one test.
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
