#include <string>

#include "app/wiring.h"
#include "app/time_limits.h"
#include "driver/runner/recorded_runner.h"
#include "ui/localized_text.h"
#include "ui/os_version.h"

namespace orventa {

void recordStart(bool selfCheck) {
  logEvent(writeSystemLog, LogCategory::app,
           std::string("start: ") + (selfCheck ? "self-check" : "normal mode") + ", version " ASSISTANT_VERSION
               ", OS " + quotedForLog(operatingSystemVersionText()) +
               // The language of the alerts, named by its own table.
               (selfCheck ? "" : ", language " + quotedForLog(localizedText("language"))));
}

int recordEnd(int status) {
  logEvent(writeSystemLog, LogCategory::app, "end: exit status " + std::to_string(status));
  return status;
}

ToolRunner recordedRunner(LogCategory category, std::chrono::milliseconds timeLimit) {
  return recordingRunner(
      [timeLimit](const std::string& path, const std::vector<std::string>& arguments) {
        return run(path, arguments, timeLimit);
      },
      writeSystemLog, category);
}

ToolRunner recordedOpener() {
  return recordingRunner(
      [](const std::string& path, const std::vector<std::string>& arguments) {
        return runWithoutOutput(path, arguments, openerTimeLimit);
      },
      writeSystemLog, LogCategory::flow);
}

}  // namespace orventa
