#include "driver/runner/run_limit_error.h"

#include <cstdio>

namespace orventa {

namespace {

// Whole seconds as "300 seconds" or "1 second"; a limit below or between
// whole seconds (only tests use one) with its milliseconds, "0.25 seconds".
std::string durationText(std::chrono::milliseconds limit) {
  const long long ms = limit.count();
  if (ms == 1000) return "1 second";
  char text[64];
  if (ms % 1000 == 0) {
    std::snprintf(text, sizeof text, "%lld seconds", ms / 1000);
  } else {
    std::snprintf(text, sizeof text, "%lld.%03lld", ms / 1000, ms % 1000);
    std::string trimmed = text;
    while (trimmed.back() == '0') trimmed.pop_back();
    return trimmed + " seconds";
  }
  return text;
}

std::string sizeText(std::size_t limit) {
  constexpr std::size_t mebibyte = std::size_t(1) << 20;
  if (limit % (mebibyte << 10) == 0) return std::to_string(limit / (mebibyte << 10)) + " GiB";
  if (limit % mebibyte == 0) return std::to_string(limit / mebibyte) + " MiB";
  return std::to_string(limit) + (limit == 1 ? " byte" : " bytes");
}

}  // namespace

RunLimitError RunLimitError::timeLimitPassed(const std::string& path, std::chrono::milliseconds limit) {
  return RunLimitError(Code::timeLimit, path + " did not finish within " + durationText(limit) + ".");
}

RunLimitError RunLimitError::outputLimitPassed(const std::string& path, std::size_t limit) {
  return RunLimitError(Code::outputLimit, path + " wrote more than " + sizeText(limit) + " of output.");
}

}  // namespace orventa
