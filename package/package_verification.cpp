#include "package/package_verification.h"

#include "driver/build_constants.h"
#include "common/system_tools.h"
#include "driver/runner/tool_run_record.h"
#include "package/assistant_error.h"
#include "package/digest_text.h"

namespace orventa {

namespace {

void record(const PackageOperations& operations, const std::string& line) {
  if (operations.log) logEvent(operations.log, LogCategory::package, line);
}

}  // namespace

Sha256Digest hashPackage(const PackageOperations& operations, const std::string& path, PackageCopy* copy) {
  Sha256Stream hash;
  const auto checkSize = [&](std::uint64_t size) {
    // No driver package is anywhere near this: the file cannot be the
    // pinned one, and reading it would only make the user wait.
    if (size > maximumPackageSize) {
      record(operations, "size: " + std::to_string(size) + " bytes, more than " +
                             std::to_string(maximumPackageSize) + ": refused");
      throw AssistantError(AssistantErrorCode::digestMismatch);
    }
    if (copy != nullptr) copy->reserve(size);
  };
  const auto consume = [&](std::span<const unsigned char> chunk) {
    hash.update(chunk);
    // Written while the chunk is still in cache: one pass over the bytes.
    if (copy != nullptr) copy->append(chunk);
  };
  operations.readChunks(path, consume, checkSize);
  if (copy != nullptr) copy->close();
  return hash.finish();
}

VerifiedPackage verifiedPackage(const PackageOperations& operations, std::string_view expectedInstallerSHA256,
                                std::string_view expectedSigner) {
  const std::optional<std::string> original = operations.findPackage();
  if (!original) {
    record(operations, "not found among the resources");
    throw AssistantError(AssistantErrorCode::packageMissing);
  }
  record(operations, "found at " + quotedForLog(*original));

  std::unique_ptr<PackageCopy> made;
  try {
    made = operations.makeCopy();
  } catch (const std::exception& failure) {
    record(operations, "cannot be copied: " + quotedForLog(failure.what()));
    throw;
  }
  // Owned from here on: any failure below removes the copy on the way out.
  PackageCopy& copy = *made;
  VerifiedPackage package(std::move(made));

  std::string digest;
  try {
    digest = digestText(hashPackage(operations, *original, &copy));
  } catch (const AssistantError&) {
    throw;
  } catch (const std::exception& failure) {
    record(operations, "cannot be read or copied: " + quotedForLog(failure.what()));
    throw;
  }
  // Exact text comparison: an expected value in upper case, or one that is
  // only a prefix of the digest, does not match.
  if (digest != expectedInstallerSHA256) {
    record(operations, "digest: mismatch, expected " + std::string(expectedInstallerSHA256) + ", actual " + digest);
    throw AssistantError(AssistantErrorCode::digestMismatch);
  }
  record(operations, "digest: matches " + digest);

  // The signer is searched in the whole output, not line by line: pkgutil
  // prints it inside a longer certificate-chain line.
  const CommandResult signature = operations.run(packageTool, {"--check-signature", copy.path()});
  const bool signerFound = signature.output.find(expectedSigner) != std::string::npos;
  record(operations, "signature check: " + terminationText(signature.status) +
                         (signerFound ? ", signer found" : ", signer not found"));
  if (signature.status != 0 || !signerFound) throw AssistantError(AssistantErrorCode::signatureMismatch);

  const CommandResult assessment = operations.run(assessmentTool, {"-a", "-t", "install", copy.path()});
  record(operations, "trust assessment: " + terminationText(assessment.status) +
                         (assessment.status == 0 ? ", accepted" : ", refused"));
  if (assessment.status != 0) throw AssistantError(AssistantErrorCode::notTrusted);

  return package;
}

}  // namespace orventa
