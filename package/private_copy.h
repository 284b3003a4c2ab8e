#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace orventa {

/// The folder name prefix of the private copies: the assistant's bundle
/// identifier and a dot. mkdtemp() adds six characters.
inline constexpr char privateCopyPrefix[] = "com.orventa.DriverAssistant.";

/// The embedded package's file name among the application's resources,
/// which its private copy keeps inside the copy's folder.
inline constexpr char privateCopyFileName[] = "CH34xVCPDriver.pkg";

/// A new file that receives a copy of the package while it is hashed, so the
/// tools and the Installer get exactly the bytes that were checked.
class PackageCopy {
 public:
  virtual ~PackageCopy() = default;
  /// The copy's file path, as the tools receive it.
  virtual const std::string& path() const = 0;
  /// Makes sure `size` bytes fit into the copy's file system now, before any
  /// is written; throws the platform's ENOSPC error otherwise ("Cannot
  /// write " + path + ": " + the system's text).
  virtual void reserve(std::uint64_t size) { (void)size; }
  /// Appends `bytes`; throws the platform's error (a full disk, say).
  virtual void append(std::span<const unsigned char> bytes) = 0;
  /// Completes the file; throws the platform's error. Call once, after the
  /// last append.
  virtual void close() = 0;
  /// Removes the file and its folder. Never throws; safe to call twice.
  virtual void remove() noexcept = 0;
};

/// What a file system reports of its space, in blocks of `unit` bytes:
/// `free` blocks in all (root may use them all), `available` of them to a
/// user without privileges, `total` the file system's size.
struct FreeSpace {
  std::uint64_t free = 0;
  std::uint64_t available = 0;
  std::uint64_t total = 0;
  std::uint64_t unit = 0;
};

/// Reads the space of the file system that holds the open file `fd`;
/// throws std::system_error with the platform's errno.
using FreeSpaceReading = FreeSpace (*)(int fd);

/// From fstatvfs(). Its counts are 32 bits on a Mac (Apple's library scales
/// the block size to make a large volume fit), so only Linux uses it.
FreeSpace freeSpaceFromStatvfs(int fd);

/// From fstatfs(), whose counts are 64 bits on a Mac and on Linux alike.
FreeSpace freeSpaceFromStatfs(int fd);

/// The reading this platform's copies use: fstatfs() on a Mac, fstatvfs()
/// elsewhere.
FreeSpaceReading platformFreeSpace();

/// Makes a new folder that only the user can enter (mode 0700, mkdtemp()
/// under `parent`, named privateCopyPrefix + six characters) and in it the
/// empty file privateCopyFileName, mode 0600 whatever the umask. The folder
/// is opened without following a link and checked to be this user's folder
/// before its mode is set through its descriptor, and the file is created
/// exclusively relative to that descriptor, so nothing a path names can be
/// swapped in between. Until the copy is removed or handed on (the object
/// destroyed), a signal that ends the program removes it before taking its course
/// (copy_removal_on_signal.h). Throws std::system_error with the platform's
/// errno ("Cannot create " + path + ": " + the system's text) and leaves
/// nothing behind when either cannot be made. The copy's reserve() learns
/// the free space through `readFreeSpace`.
std::unique_ptr<PackageCopy> makePrivateCopy(const std::string& parent,
                                             FreeSpaceReading readFreeSpace = platformFreeSpace());

/// Whether `size` bytes fit into a file system whose blocks are `unit`
/// bytes, `available` of them free for this user and `total` in all. One
/// that reports no blocks at all (ramfs, a tmpfs without a size) gives
/// nothing to go by: the bytes are taken to fit, and a full disk shows as
/// the write's own error.
bool spaceFits(std::uint64_t size, std::uint64_t available, std::uint64_t total, std::uint64_t unit);

/// Removes a private copy that was handed on (its file and its folder),
/// given the file's path; anything else is left alone. Never throws.
void removePrivateCopy(const std::string& path) noexcept;

}  // namespace orventa
