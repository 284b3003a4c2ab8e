#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "common/descriptor.h"
#include "common/system_error.h"
#include "package/copy_removal_on_signal.h"
#include "package/private_copy.h"

namespace orventa {

namespace {

class PosixPackageCopy final : public PackageCopy {
 public:
  PosixPackageCopy(std::string folder, std::string path, Descriptor folderFd, Descriptor file,
                   std::unique_ptr<CopyRemovalOnSignal> guard, FreeSpaceReading readFreeSpace)
      : folder_(std::move(folder)),
        path_(std::move(path)),
        folderFd_(std::move(folderFd)),
        file_(std::move(file)),
        guard_(std::move(guard)),
        readFreeSpace_(readFreeSpace) {}
  ~PosixPackageCopy() override {
    // Left in place (the Installer may read it): a signal no longer removes it.
    guard_->disarm([] {});
  }

  const std::string& path() const override { return path_; }

  void reserve(std::uint64_t size) override {
    FreeSpace space;
    try {
      space = readFreeSpace_(file_.get());
    } catch (const std::system_error& error) {
      throwSystemError(error.code().value(), FileFailure::write, path_);
    }
    // The space an unprivileged writer may use; root may also use the
    // blocks the file system keeps back for it.
    const std::uint64_t blocks = ::geteuid() == 0 ? space.free : space.available;
    if (!spaceFits(size, blocks, space.total, space.unit)) throwSystemError(ENOSPC, FileFailure::write, path_);
  }

  void append(std::span<const unsigned char> bytes) override {
    stopIfRemoved();
    while (!bytes.empty()) {
      const ssize_t written = ::write(file_.get(), bytes.data(), bytes.size());
      if (written < 0) {
        if (errno == EINTR) {
          stopIfRemoved();
          continue;
        }
        throwSystemError(errno, FileFailure::write, path_);
      }
      bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
  }

  void close() override {
    // Some file systems report a failed write only here.
    if (::close(file_.release()) != 0 && errno != EINTR) throwSystemError(errno, FileFailure::write, path_);
    stopIfRemoved();
  }

  void remove() noexcept override {
    guard_->disarm([this] {
      if (!folderFd_.isOpen()) return;
      file_.reset();
      // Relative to the folder it made and still holds open, so the file
      // removed is the copy's own even should a name on the way have been
      // swapped; the removal by path (removeCopyFileAndFolder) is for a
      // signal handler and for a copy that was handed on, which hold none.
      ::unlinkat(folderFd_.get(), privateCopyFileName, 0);
      ::rmdir(folder_.c_str());
      folderFd_.reset();
    });
  }

 private:
  // A signal removed the copy and the program's own handler let it go on:
  // what was written is gone, and no tool may be given the path.
  void stopIfRemoved() const {
    if (CopyRemovalOnSignal::removedBySignal()) throwSystemError(EINTR, FileFailure::write, path_);
  }

  std::string folder_;
  std::string path_;
  Descriptor folderFd_;
  Descriptor file_;
  std::unique_ptr<CopyRemovalOnSignal> guard_;
  FreeSpaceReading readFreeSpace_;
};

// Removes the folder that was made and throws `error` for `what`.
[[noreturn]] void giveUp(int error, const std::string& folder, const std::string& what) {
  ::rmdir(folder.c_str());
  throwSystemError(error, FileFailure::create, what);
}

}  // namespace

bool spaceFits(std::uint64_t size, std::uint64_t available, std::uint64_t total, std::uint64_t unit) {
  if (total == 0 || unit == 0) return true;
  return available >= size / unit + 1;
}

std::unique_ptr<PackageCopy> makePrivateCopy(const std::string& parent, FreeSpaceReading readFreeSpace) {
  // From here until the copy's removal is armed, an ending signal waits.
  auto guard = std::make_unique<CopyRemovalOnSignal>();
  std::string folder = parent;
  if (folder.empty() || folder.back() != '/') folder += '/';
  folder += privateCopyPrefix;
  folder += "XXXXXX";
  // A umask that takes the owner's own rights (0477, say) would make a
  // folder this user cannot read and a file the user's tools cannot read:
  // while the copy is made, only the rights of others are masked. One
  // thread, so nothing else creates files meanwhile.
  const mode_t userMask = ::umask(077);
  const bool made = ::mkdtemp(folder.data()) != nullptr;
  const int mkdtempError = errno;
  ::umask(userMask);
  if (!made) throwSystemError(mkdtempError, FileFailure::create, folder);

  // Everything from here on goes through the descriptor of the folder that
  // was made: opened without following a link, checked to be a folder of
  // this user, its mode set through it and the file made inside it, so no
  // path can be swapped for another in between.
  Descriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!folderFd.isOpen()) giveUp(errno, folder, folder);
  struct stat status;
  if (::fstat(folderFd.get(), &status) != 0) giveUp(errno, folder, folder);
  // Not the folder mkdtemp made: nothing of it is ours to remove.
  if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()) throwSystemError(EPERM, FileFailure::create, folder);
  if (::fchmod(folderFd.get(), 0700) != 0) giveUp(errno, folder, folder);

  std::string path = folder + "/" + privateCopyFileName;
  Descriptor file(::openat(folderFd.get(), privateCopyFileName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                           0600));
  if (!file.isOpen()) giveUp(errno, folder, path);
  // 0600 whatever the umask: the tools the user runs must be able to read it.
  if (::fchmod(file.get(), 0600) != 0) {
    const int error = errno;
    ::unlinkat(folderFd.get(), privateCopyFileName, 0);
    giveUp(error, folder, path);
  }
  guard->arm(folder, path);
  return std::make_unique<PosixPackageCopy>(std::move(folder), std::move(path), std::move(folderFd), std::move(file),
                                            std::move(guard), readFreeSpace);
}

void removePrivateCopy(const std::string& path) noexcept {
  const std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos || path.compare(slash + 1, std::string::npos, privateCopyFileName) != 0) return;
  removeCopyFileAndFolder(path.c_str(), path.substr(0, slash).c_str());
}

}  // namespace orventa
