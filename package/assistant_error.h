#pragma once

#include <exception>
#include <string_view>

#include "common/error_codes.h"

namespace orventa {

/// The assistant's own error about the embedded package: domain errorDomain,
/// one of the codes packageMissing to openFailed (common/error_codes.h) and
/// exactly one message, which what() returns and which is all a user sees.
/// Errors of the platform (file reads, tool starts) are never wrapped in it.
class AssistantError : public std::exception {
 public:
  /// Whether `code` has a fixed message and so may make an AssistantError:
  /// packageMissing to openFailed. The runner's codes (timeLimit,
  /// outputLimit) belong to RunLimitError, whose message names the tool.
  static constexpr bool hasFixedMessage(AssistantErrorCode code) noexcept {
    return code >= AssistantErrorCode::packageMissing && code <= AssistantErrorCode::openFailed;
  }

  /// A code known when the program is compiled, checked then: a code
  /// without a fixed message does not compile, so an alert without a text
  /// cannot be built.
  class Code {
   public:
    consteval Code(AssistantErrorCode code) : code_(code) {  // NOLINT: converts on purpose
      // Throwing here is not a constant expression: the call does not compile.
      if (!hasFixedMessage(code)) throw "a code without a fixed message: use RunLimitError";
    }
    constexpr AssistantErrorCode value() const noexcept { return code_; }

   private:
    AssistantErrorCode code_;
  };

  explicit AssistantError(Code code) noexcept;

  static constexpr std::string_view domain = errorDomain;
  int code() const noexcept { return static_cast<int>(code_); }
  const char* what() const noexcept override;

 private:
  AssistantErrorCode code_;
};

}  // namespace orventa
