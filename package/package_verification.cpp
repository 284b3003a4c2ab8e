#include "package/package_verification.h"

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

}  // namespace

std::string verifiedPackage(const PackageOperations& operations, std::string_view expectedInstallerSHA256,
                            std::string_view expectedSigner) {
  const std::optional<std::string> path = operations.findPackage();
  if (!path) throw AssistantError(AssistantErrorCode::packageMissing);

  // Exact text comparison: an expected value in upper case does not match.
  if (contentDigestText(operations, *path) != expectedInstallerSHA256)
    throw AssistantError(AssistantErrorCode::digestMismatch);

  // The signer is searched in the whole output, not line by line: pkgutil
  // prints it inside a longer certificate-chain line.
  const CommandResult signature = operations.run("/usr/sbin/pkgutil", {"--check-signature", *path});
  if (signature.status != 0 || signature.output.find(expectedSigner) == std::string::npos)
    throw AssistantError(AssistantErrorCode::signatureMismatch);

  const CommandResult assessment = operations.run("/usr/sbin/spctl", {"-a", "-t", "install", *path});
  if (assessment.status != 0) throw AssistantError(AssistantErrorCode::notTrusted);

  return *path;
}
