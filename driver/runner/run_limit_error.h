#pragma once

#include <chrono>
#include <cstddef>
#include <exception>
#include <string>
#include <string_view>

#include "common/error_codes.h"

namespace orventa {

/// The program's own failure of a tool run that had to be ended: it did not
/// finish within its time limit, or its output passed the size limit. Domain
/// errorDomain like the assistant's other errors, with the codes timeLimit
/// and outputLimit (common/error_codes.h); what() is the message a user
/// sees, naming the tool and the limit.
class RunLimitError : public std::exception {
 public:
  using Code = AssistantErrorCode;

  static RunLimitError timeLimitPassed(const std::string& path, std::chrono::milliseconds limit);
  static RunLimitError outputLimitPassed(const std::string& path, std::size_t limit);

  static constexpr std::string_view domain = errorDomain;
  int code() const noexcept { return static_cast<int>(code_); }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  RunLimitError(Code code, std::string message) : code_(code), message_(std::move(message)) {}
  Code code_;
  std::string message_;
};

}  // namespace orventa
