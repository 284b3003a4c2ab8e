#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "common/descriptor.h"
#include "common/system_error.h"
#include "package/private_copy.h"

namespace {

class PosixPackageCopy final : public PackageCopy {
 public:
  PosixPackageCopy(std::string folder, std::string path, Descriptor file)
      : folder_(std::move(folder)), path_(std::move(path)), file_(std::move(file)) {}

  const std::string& path() const override { return path_; }

  void append(std::span<const unsigned char> bytes) override {
    while (!bytes.empty()) {
      const ssize_t written = ::write(file_.get(), bytes.data(), bytes.size());
      if (written < 0) {
        if (errno == EINTR) continue;
        throwSystemError(errno, "Cannot write " + path_);
      }
      bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
  }

  void close() override {
    // Some file systems report a failed write only here.
    if (::close(file_.release()) != 0 && errno != EINTR) throwSystemError(errno, "Cannot write " + path_);
  }

  void remove() noexcept override {
    file_.reset();
    ::unlink(path_.c_str());
    ::rmdir(folder_.c_str());
  }

 private:
  std::string folder_;
  std::string path_;
  Descriptor file_;
};

}  // namespace

std::string temporaryFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  // A relative TMPDIR would make the copy's path depend on the working
  // folder of whoever opens it.
  if (tmpdir != nullptr && tmpdir[0] == '/') return tmpdir;
  return "/tmp";
}

std::unique_ptr<PackageCopy> makePrivateCopy() {
  std::string folder = temporaryFolder();
  if (folder.back() != '/') folder += '/';
  folder += privateCopyPrefix;
  folder += "XXXXXX";
  if (::mkdtemp(folder.data()) == nullptr) throwSystemError(errno, "Cannot create " + folder);
  // mkdtemp asks for 0700, which a umask could narrow further.
  if (::chmod(folder.c_str(), 0700) != 0) {
    const int error = errno;
    ::rmdir(folder.c_str());
    throwSystemError(error, "Cannot create " + folder);
  }
  std::string path = folder + "/" + privateCopyFileName;
  Descriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!file.isOpen()) {
    const int error = errno;
    ::rmdir(folder.c_str());
    throwSystemError(error, "Cannot create " + path);
  }
  return std::make_unique<PosixPackageCopy>(std::move(folder), std::move(path), std::move(file));
}
