#pragma once
// The assistant's own failures, one list for every subsystem: each carries
// the domain errorDomain and one of these codes, and its message is all a
// user sees. Errors of the platform are never given one of these.

#include <string_view>

namespace orventa {

/// The domain of every failure of the assistant's own.
inline constexpr std::string_view errorDomain = "ORVENTADriverAssistant";

/// Codes of the assistant's own failures.
enum class AssistantErrorCode : int {
  // The embedded package and its opening (AssistantError, package/assistant_error.h).
  packageMissing = 1,    ///< the package is not among the application's resources
  digestMismatch = 2,    ///< its SHA-256 is not the expected one
  signatureMismatch = 3, ///< the signature check failed or named another signer
  notTrusted = 4,        ///< the system's assessment refused it as an installer
  openFailed = 5,        ///< the system could not open the verified package
  // A tool run that had to be ended (RunLimitError, driver/runner/run_limit_error.h).
  timeLimit = 6,         ///< "PATH did not finish within N seconds."
  outputLimit = 7,       ///< "PATH wrote more than N MiB of output."
};

}  // namespace orventa
