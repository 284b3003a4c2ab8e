#include "driver/runner/run_limit_error.h"

#include <cstdio>
#include <utility>

namespace orventa {

namespace {

// Whole seconds as "300 seconds" or "1 second"; a limit below or between
// whole seconds (only tests use one) with its milliseconds, "0.25 seconds".
LimitAmount duration(std::chrono::milliseconds limit) {
  const long long ms = limit.count();
  if (ms == 1000) return {"1", LimitUnit::second};
  if (ms % 1000 == 0) return {std::to_string(ms / 1000), LimitUnit::seconds};
  char text[64];
  std::snprintf(text, sizeof text, "%lld.%03lld", ms / 1000, ms % 1000);
  std::string trimmed = text;
  while (trimmed.back() == '0') trimmed.pop_back();
  return {trimmed, LimitUnit::seconds};
}

LimitAmount size(std::size_t limit) {
  constexpr std::size_t mebibyte = std::size_t(1) << 20;
  if (limit % (mebibyte << 10) == 0) return {std::to_string(limit / (mebibyte << 10)), LimitUnit::gibibytes};
  if (limit % mebibyte == 0) return {std::to_string(limit / mebibyte), LimitUnit::mebibytes};
  return {std::to_string(limit), limit == 1 ? LimitUnit::byte : LimitUnit::bytes};
}

const char* unitWord(LimitUnit unit) {
  switch (unit) {
    case LimitUnit::seconds: return "seconds";
    case LimitUnit::second: return "second";
    case LimitUnit::gibibytes: return "GiB";
    case LimitUnit::mebibytes: return "MiB";
    case LimitUnit::bytes: return "bytes";
    case LimitUnit::byte: return "byte";
  }
  return "";
}

std::string englishMessage(AssistantErrorCode code, const std::string& path, const LimitAmount& limit) {
  const std::string amount = limit.number + " " + unitWord(limit.unit);
  if (code == AssistantErrorCode::timeLimit) return path + " did not finish within " + amount + ".";
  return path + " wrote more than " + amount + " of output.";
}

}  // namespace

RunLimitError::RunLimitError(Code code, std::string path, LimitAmount limit)
    : code_(code), path_(std::move(path)), limit_(std::move(limit)), message_(englishMessage(code_, path_, limit_)) {}

RunLimitError RunLimitError::timeLimitPassed(const std::string& path, std::chrono::milliseconds limit) {
  return RunLimitError(Code::timeLimit, path, duration(limit));
}

RunLimitError RunLimitError::outputLimitPassed(const std::string& path, std::size_t limit) {
  return RunLimitError(Code::outputLimit, path, size(limit));
}

}  // namespace orventa
