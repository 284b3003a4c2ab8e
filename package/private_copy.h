#pragma once

#include <memory>
#include <span>
#include <string>

/// The folder name prefix of the private copies: the assistant's bundle
/// identifier and a dot. mkdtemp() adds six characters.
inline constexpr char privateCopyPrefix[] = "com.orventa.DriverAssistant.";

/// The file name of the package inside its private copy's folder.
inline constexpr char privateCopyFileName[] = "CH34xVCPDriver.pkg";

/// A new file that receives a copy of the package while it is hashed, so the
/// tools and the Installer get exactly the bytes that were checked.
class PackageCopy {
 public:
  virtual ~PackageCopy() = default;
  /// The copy's file path, as the tools receive it.
  virtual const std::string& path() const = 0;
  /// Appends `bytes`; throws the platform's error (a full disk, say).
  virtual void append(std::span<const unsigned char> bytes) = 0;
  /// Completes the file; throws the platform's error. Call once, after the
  /// last append.
  virtual void close() = 0;
  /// Removes the file and its folder. Never throws; safe to call twice.
  virtual void remove() noexcept = 0;
};

/// The user's temporary folder: TMPDIR when it is set to an absolute path,
/// else "/tmp".
std::string temporaryFolder();

/// Makes a new folder that only the user can enter (mode 0700, mkdtemp()
/// under temporaryFolder(), named privateCopyPrefix + six characters) and in
/// it the empty file privateCopyFileName, created exclusively and without
/// following a symbolic link. Throws std::system_error with the platform's
/// errno ("Cannot create " + path + ": " + the system's text) and leaves
/// nothing behind when either cannot be made.
std::unique_ptr<PackageCopy> makePrivateCopy();
