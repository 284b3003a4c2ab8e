#include "app/tool_runners.h"

#include <chrono>

#include "common/event_log.h"
#include "driver/runner/tool_run_record.h"

namespace orventa {

namespace {

// How long each system tool may run before it is ended and its run fails.
// The shipped program allows the driver-state queries and the opener time
// for a slow machine, and the package checks more: the trust assessment may
// ask the network about notarization. The test-only variant is built with
// ASSISTANT_TEST_TIME_LIMITS: a few seconds, so that tests of hanging tools
// end quickly, and a different limit for each kind of tool, so that they can
// tell which limit a tool ran with.
#ifdef ASSISTANT_TEST_TIME_LIMITS
constexpr std::chrono::milliseconds driverQueryTimeLimit = std::chrono::seconds(3);
constexpr std::chrono::milliseconds packageCheckTimeLimit = std::chrono::seconds(4);
constexpr std::chrono::milliseconds openerTimeLimit = std::chrono::seconds(5);
#else
constexpr std::chrono::milliseconds driverQueryTimeLimit = std::chrono::seconds(60);
constexpr std::chrono::milliseconds packageCheckTimeLimit = std::chrono::seconds(300);
constexpr std::chrono::milliseconds openerTimeLimit = std::chrono::seconds(60);
#endif

ToolRunner recordedRunner(LogCategory category, std::chrono::milliseconds timeLimit) {
  return recordingRunner(
      [timeLimit](const std::string& path, const std::vector<std::string>& arguments) {
        return run(path, arguments, timeLimit);
      },
      writeSystemLog, category);
}

}  // namespace

ToolRunner driverQueryRunner() { return recordedRunner(LogCategory::state, driverQueryTimeLimit); }

ToolRunner packageCheckRunner() { return recordedRunner(LogCategory::package, packageCheckTimeLimit); }

ToolRunner installerOpener() {
  return recordingRunner(
      [](const std::string& path, const std::vector<std::string>& arguments) {
        return runWithoutOutput(path, arguments, openerTimeLimit);
      },
      writeSystemLog, LogCategory::flow);
}

}  // namespace orventa
