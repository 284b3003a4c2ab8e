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
  explicit AssistantError(AssistantErrorCode code) noexcept;

  static constexpr std::string_view domain = errorDomain;
  int code() const noexcept { return static_cast<int>(code_); }
  const char* what() const noexcept override;

 private:
  AssistantErrorCode code_;
};

}  // namespace orventa
