#pragma once

#include <chrono>
#include <cstddef>
#include <exception>
#include <string>
#include <string_view>

#include "common/error_codes.h"

namespace orventa {

/// How a passed limit is written: the unit its number is counted in, the
/// singular where the number is one ("1 second", "1 byte").
enum class LimitUnit { seconds, second, gibibytes, mebibytes, bytes, byte };

/// A passed limit as a message names it: its number as text ("300", "0.25")
/// and its unit.
struct LimitAmount {
  std::string number;
  LimitUnit unit;
};

/// The program's own failure of a tool run that had to be ended: it did not
/// finish within its time limit, or its output passed the size limit. Domain
/// errorDomain like the assistant's other errors, with the codes timeLimit
/// and outputLimit (common/error_codes.h); what() is the message in English,
/// naming the tool and the limit, which `toolPath()` and `limit()` give apart
/// for a message in another language.
class RunLimitError : public std::exception {
 public:
  using Code = AssistantErrorCode;

  static RunLimitError timeLimitPassed(const std::string& path, std::chrono::milliseconds limit);
  static RunLimitError outputLimitPassed(const std::string& path, std::size_t limit);

  static constexpr std::string_view domain = errorDomain;
  int code() const noexcept { return static_cast<int>(code_); }
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& toolPath() const noexcept { return path_; }
  const LimitAmount& limit() const noexcept { return limit_; }

 private:
  RunLimitError(Code code, std::string path, LimitAmount limit);
  Code code_;
  std::string path_;
  LimitAmount limit_;
  std::string message_;
};

}  // namespace orventa
