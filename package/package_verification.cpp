#include "package/package_verification.h"

#include "package/assistant_error.h"
#include "package/digest_text.h"

Sha256Digest hashPackage(const PackageOperations& operations, const std::string& path, PackageCopy* copy) {
  Sha256Stream hash;
  operations.readChunks(path, [&](std::span<const unsigned char> chunk) {
    hash.update(chunk);
    // Written while the chunk is still in cache: one pass over the bytes.
    if (copy != nullptr) copy->append(chunk);
  });
  if (copy != nullptr) copy->close();
  return hash.finish();
}

VerifiedPackage verifiedPackage(const PackageOperations& operations, std::string_view expectedInstallerSHA256,
                                std::string_view expectedSigner) {
  const std::optional<std::string> original = operations.findPackage();
  if (!original) throw AssistantError(AssistantErrorCode::packageMissing);

  // Owned from here on: any failure below removes the copy on the way out.
  std::unique_ptr<PackageCopy> made = operations.makeCopy();
  PackageCopy& copy = *made;
  VerifiedPackage package(std::move(made));

  // Exact text comparison: an expected value in upper case, or one that is
  // only a prefix of the digest, does not match.
  if (digestText(hashPackage(operations, *original, &copy)) != expectedInstallerSHA256)
    throw AssistantError(AssistantErrorCode::digestMismatch);

  // The signer is searched in the whole output, not line by line: pkgutil
  // prints it inside a longer certificate-chain line.
  const CommandResult signature = operations.run("/usr/sbin/pkgutil", {"--check-signature", copy.path()});
  if (signature.status != 0 || signature.output.find(expectedSigner) == std::string::npos)
    throw AssistantError(AssistantErrorCode::signatureMismatch);

  const CommandResult assessment = operations.run("/usr/sbin/spctl", {"-a", "-t", "install", copy.path()});
  if (assessment.status != 0) throw AssistantError(AssistantErrorCode::notTrusted);

  return package;
}
