#include "driver/runner/tool_run_record.h"

#include <chrono>
#include <exception>
#include <utility>

#include "driver/runner/tool_clock.h"

namespace orventa {

namespace {

using Clock = ToolClock;

/// Writes the record of one run: `result` when the tool ran, else `failure`
/// (the exception's text, or nullptr when it had none). Builds the text
/// inside, so running out of memory drops the record, never the run.
void recordRun(const EventLog& log, LogCategory category, const std::string& path,
               const std::vector<std::string>& arguments, Clock::time_point start, const CommandResult* result,
               const char* failure) noexcept {
  if (!log) return;
  try {
    const auto taken = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    std::string line = "run " + quotedForLog(path);
    for (const std::string& argument : arguments) line += " " + quotedForLog(argument);
    line += ": ";
    if (result != nullptr)
      line += terminationText(result->status) + ", " + std::to_string(result->outputBytes) + " bytes of output";
    else
      line += failure != nullptr ? "failed: " + quotedForLog(failure) : std::string("failed");
    line += ", " + std::to_string(taken.count()) + " ms";
    logEvent(log, category, line);
  } catch (...) {
    // No record, same run.
  }
}

}  // namespace

std::string terminationText(std::int32_t status) {
  if (status == unknownTerminationStatus) return "status unknown";
  if (status < 0) return "ended by signal " + std::to_string(-static_cast<std::int64_t>(status));
  return "exit status " + std::to_string(status);
}

ToolRunner recordingRunner(ToolRunner runner, EventLog log, LogCategory category) {
  return [runner = std::move(runner), log = std::move(log), category](
             const std::string& path, const std::vector<std::string>& arguments) -> CommandResult {
    const Clock::time_point start = Clock::now();
    CommandResult result;
    try {
      result = runner(path, arguments);
    } catch (const std::exception& failure) {
      recordRun(log, category, path, arguments, start, nullptr, failure.what());
      throw;
    } catch (...) {
      recordRun(log, category, path, arguments, start, nullptr, nullptr);
      throw;
    }
    recordRun(log, category, path, arguments, start, &result, nullptr);
    return result;
  };
}

}  // namespace orventa
