#pragma once

#include <exception>
#include <string_view>

namespace orventa {

/// Codes of the assistant's own failures.
enum class AssistantErrorCode : int {
  packageMissing = 1,    ///< the package is not among the application's resources
  digestMismatch = 2,    ///< its SHA-256 is not the expected one
  signatureMismatch = 3, ///< the signature check failed or named another signer
  notTrusted = 4,        ///< the system's assessment refused it as an installer
  openFailed = 5,        ///< the system could not open the verified package
};

/// The assistant's own error: domain "ORVENTADriverAssistant", a code and
/// exactly one message, which what() returns and which is all a user sees.
/// Errors of the platform (file reads, tool starts) are never wrapped in it.
class AssistantError : public std::exception {
 public:
  explicit AssistantError(AssistantErrorCode code) noexcept;

  static constexpr std::string_view domain = "ORVENTADriverAssistant";
  int code() const noexcept { return static_cast<int>(code_); }
  const char* what() const noexcept override;

 private:
  AssistantErrorCode code_;
};

}  // namespace orventa
