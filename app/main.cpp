// Process entry: the process set-up, then the mode the arguments choose
// (app/mode.h), each run by its own function: the self-check
// (app/self_check.h), the driver-state report (app/driver_state_report.h)
// or the assistant (ui/assistant_flow.h), wired to the platform in
// app/wiring.h.

#include "app/application.h"
#include "app/child_status.h"
#include "app/display.h"
#include "app/file_size_signal.h"
#include "app/mode.h"
#include "app/process_text.h"
#include "app/start_and_end_record.h"
#include "app/standard_descriptors.h"
#include "app/standard_streams.h"
#include "app/wiring.h"
#include "ui/localized_text.h"

#include <string>
#include <system_error>

int main(int argc, char** argv, char** envp) {
  using namespace orventa;

  // Before anything opens a descriptor of its own.
  openMissingStandardDescriptors();
  const RequestedMode mode = requestedMode(argc, argv);
  // Neither is a run of the assistant: no record, no alert, no tool.
  if (mode == RequestedMode::usageError) {
    writeStandardError(std::string(usageLine) + "\n");
    return usageErrorStatus;
  }
  if (mode == RequestedMode::help) {
    writeStandardOutput(std::string(helpText));
    return 0;
  }
  resetChildSignalToDefault();
  failWritesPastTheFileSizeLimit();
  if (const int error = reexecuteWithRepairedText(argc, argv, envp); error != 0) {
    writeStandardError("DriverAssistant: cannot start again with its arguments and environment as UTF-8: " +
                       std::system_category().message(error) + "\n");
    return restartFailedStatus;
  }

  switch (mode) {
    case RequestedMode::selfCheck:
      recordStart("self-check");
      return recordEnd(runSelfCheck(realSelfCheckOperations()));
    case RequestedMode::driverState:
      recordStart("driver state");
      return recordEnd(reportDriverState(realDriverStateReportOperations()));
    default:
      break;
  }
  // The language of the alerts, as its own table names it.
  recordStart("normal mode", localizedText("language"));
  // Without a reachable display GNUstep would abort while creating the
  // application object, so the terminal runs the same step instead.
  if (!displayReachable()) {
    runAssistantAfterLaunch(false);
    return 0;
  }
  return runApplication([] { runAssistantAfterLaunch(true); });
}
