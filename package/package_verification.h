#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "driver/command.h"
#include "driver/event_log.h"
#include "package/file_bytes.h"

/// What the verification takes from the platform; production wires the real
/// ones in embeddedPackage().
struct PackageOperations {
  /// The path of the embedded package among the application's resources, or
  /// nothing when it is not there.
  std::function<std::optional<std::string>()> findPackage;
  /// Every byte of the file at a path; throws the platform's error.
  std::function<FileBytes(const std::string& path)> readFile;
  /// Starts a system tool (see `run`); throws when it cannot start.
  CommandRunner run;
  /// Receives one record per step and its result (LogCategory::package):
  /// the package found or missing, a read failure, the digest (expected and
  /// actual on a mismatch), the signature check's status and whether the
  /// signer was found, the assessment's status. Empty: no records.
  EventLog log;
};

/// Finds the embedded installer package and verifies it, stopping at the
/// first failure:
///  1. no package: AssistantError packageMissing;
///  2. the whole file is read (its error passes on unchanged) and hashed; a
///     lowercase hexadecimal digest other than exactly
///     `expectedInstallerSHA256`: AssistantError digestMismatch, and no tool
///     is started;
///  3. "/usr/sbin/pkgutil" "--check-signature" PATH: a runner error passes
///     on; a status other than 0, or output not containing `expectedSigner`
///     (case-sensitive, anywhere): AssistantError signatureMismatch;
///  4. "/usr/sbin/spctl" "-a" "-t" "install" PATH: a runner error passes
///     on; a status other than 0: AssistantError notTrusted.
/// Returns the package's path as the lookup gave it. Each call reads and
/// hashes afresh; nothing is kept.
std::string verifiedPackage(const PackageOperations& operations, std::string_view expectedInstallerSHA256,
                            std::string_view expectedSigner);
