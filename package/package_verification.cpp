#include "package/package_verification.h"

#include "driver/logged_command.h"
#include "package/assistant_error.h"
#include "package/digest_text.h"
#include "package/sha256.h"

namespace {

std::string contentDigestText(const PackageOperations& operations, const std::string& path) {
  // The bytes live only as long as this call: the file is unmapped before
  // any tool starts.
  const FileBytes contents = operations.readFile(path);
  return digestText(sha256(contents.bytes));
}

void record(const PackageOperations& operations, const std::string& line) {
  if (operations.log) logEvent(operations.log, LogCategory::package, line);
}


}  // namespace

std::string verifiedPackage(const PackageOperations& operations, std::string_view expectedInstallerSHA256,
                            std::string_view expectedSigner) {
  const std::optional<std::string> path = operations.findPackage();
  if (!path) {
    record(operations, "not found among the resources");
    throw AssistantError(AssistantErrorCode::packageMissing);
  }
  record(operations, "found at " + quotedForLog(*path));

  std::string digest;
  try {
    digest = contentDigestText(operations, *path);
  } catch (const std::exception& failure) {
    record(operations, std::string("cannot be read: ") + failure.what());
    throw;
  }
  // Exact text comparison: an expected value in upper case does not match.
  if (digest != expectedInstallerSHA256) {
    record(operations, "digest: mismatch, expected " + std::string(expectedInstallerSHA256) + ", actual " + digest);
    throw AssistantError(AssistantErrorCode::digestMismatch);
  }
  record(operations, "digest: matches " + digest);

  // The signer is searched in the whole output, not line by line: pkgutil
  // prints it inside a longer certificate-chain line.
  const CommandResult signature = operations.run("/usr/sbin/pkgutil", {"--check-signature", *path});
  const bool signerFound = signature.output.find(expectedSigner) != std::string::npos;
  record(operations, "signature check: " + terminationText(signature.status) +
                         (signerFound ? ", signer found" : ", signer not found"));
  if (signature.status != 0 || !signerFound) throw AssistantError(AssistantErrorCode::signatureMismatch);

  const CommandResult assessment = operations.run("/usr/sbin/spctl", {"-a", "-t", "install", *path});
  record(operations, "trust assessment: " + terminationText(assessment.status) +
                         (assessment.status == 0 ? ", accepted" : ", refused"));
  if (assessment.status != 0) throw AssistantError(AssistantErrorCode::notTrusted);

  return *path;
}
