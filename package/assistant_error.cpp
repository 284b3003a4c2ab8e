#include "package/assistant_error.h"

namespace orventa {

AssistantError::AssistantError(Code code) noexcept : code_(code.value()) {}

const char* AssistantError::what() const noexcept {
  switch (code_) {
    case AssistantErrorCode::packageMissing:
      return "The embedded WCH driver package is missing.";
    case AssistantErrorCode::digestMismatch:
      return "The embedded WCH package failed its SHA-256 check.";
    case AssistantErrorCode::signatureMismatch:
      return "The embedded WCH package does not have the expected vendor signature.";
    case AssistantErrorCode::notTrusted:
      return "macOS did not accept the embedded WCH package as a trusted installer.";
    case AssistantErrorCode::openFailed:
      return "macOS could not open the WCH installer.";
    case AssistantErrorCode::timeLimit:
    case AssistantErrorCode::outputLimit:
      // Refused by Code when the program is compiled.
      break;
  }
  return "";
}

}  // namespace orventa
