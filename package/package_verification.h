#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "driver/runner/run.h"
#include "common/event_log.h"
#include "package/file_chunks.h"
#include "package/private_copy.h"
#include "package/sha256.h"

namespace orventa {

/// The largest package file the verification reads. The vendor's driver
/// package is a few megabytes, and a file larger than this cannot be it, so
/// it is refused as a digest mismatch from its size alone, before a byte is
/// read or copied: reading and copying gigabytes would take minutes without a
/// word to the user and fill the temporary folder first.
inline constexpr std::uint64_t maximumPackageSize = std::uint64_t(512) << 20;

/// What the verification takes from the platform; production wires the real
/// ones in embedded_package.cpp.
struct PackageOperations {
  /// The path of the embedded package among the application's resources, or
  /// nothing when it is not there.
  std::function<std::optional<std::string>()> findPackage;
  /// Streams a file's bytes in chunks, its size to `checkSize` first (see
  /// readFileChunks); throws the platform's error.
  std::function<void(const std::string& path, const ChunkConsumer& consume, const SizeCheck& checkSize)> readChunks;
  /// A new, empty private copy (see makePrivateCopy); throws the platform's
  /// error.
  std::function<std::unique_ptr<PackageCopy>()> makeCopy;
  /// Starts a system tool (see `run`); throws when it cannot start.
  ToolRunner run;
  /// Receives one record per step and its result (LogCategory::package):
  /// the package found or missing, a failure to copy or read it, the digest
  /// (expected and actual on a mismatch), the signature check's status and
  /// whether the signer was found, the assessment's status. The tools' own
  /// records show the copy's path. Empty: no records.
  EventLog log;
};

/// The private copy of a package that passed every check. Removes the copy
/// when it goes out of scope, unless keep() handed it on.
class VerifiedPackage {
 public:
  explicit VerifiedPackage(std::unique_ptr<PackageCopy> copy) : copy_(std::move(copy)) {}
  ~VerifiedPackage() {
    if (copy_) copy_->remove();
  }
  VerifiedPackage(VerifiedPackage&&) noexcept = default;
  VerifiedPackage& operator=(VerifiedPackage&&) = delete;

  /// The copy's file path.
  const std::string& path() const { return copy_->path(); }
  /// Leaves the copy in place for good (the Installer may read it after the
  /// assistant ends) and returns its path.
  std::string keep() && {
    std::string path = copy_->path();
    copy_.reset();
    return path;
  }

 private:
  std::unique_ptr<PackageCopy> copy_;
};

/// One pass over a package file: each chunk is hashed and, when `copy` is
/// given, appended to it (which is then closed). Before any byte is read, a
/// file larger than maximumPackageSize is refused with AssistantError
/// digestMismatch (its size recorded), and the copy's file system must have
/// room for the whole file (PackageCopy::reserve). Returns the digest;
/// throws what reading, writing or closing throws.
Sha256Digest hashPackage(const PackageOperations& operations, const std::string& path, PackageCopy* copy);

/// Finds the embedded installer package and verifies it, stopping at the
/// first failure:
///  1. no package: AssistantError packageMissing;
///  2. the file is read once, each chunk hashed and written to a new private
///     copy (a read, write or create error passes on unchanged; a file
///     larger than maximumPackageSize is AssistantError digestMismatch, and
///     a copy that cannot fit the free space the platform's ENOSPC error,
///     both before anything is read); a
///     lowercase hexadecimal digest other than exactly
///     `expectedInstallerSHA256` (whole text, same length):
///     AssistantError digestMismatch, and no tool is started;
///  3. "/usr/sbin/pkgutil" "--check-signature" COPY: a runner error passes
///     on; a status other than 0, or output not containing `expectedSigner`
///     (case-sensitive, anywhere): AssistantError signatureMismatch;
///  4. "/usr/sbin/spctl" "-a" "-t" "install" COPY: a runner error passes
///     on; a status other than 0: AssistantError notTrusted.
/// Every tool gets the copy's path, never the original's, so what they check
/// is exactly what was hashed. On any failure the copy is removed before the
/// error leaves. Each call reads and hashes afresh; nothing is kept.
VerifiedPackage verifiedPackage(const PackageOperations& operations, std::string_view expectedInstallerSHA256,
                                std::string_view expectedSigner);

}  // namespace orventa
