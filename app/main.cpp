// Process entry: chooses between the self-check and the normal assistant.

#include "app/application.h"
#include "app/child_status.h"
#include "app/display.h"
#include "app/file_size_signal.h"
#include "app/mode.h"
#include "app/process_text.h"
#include "app/self_check.h"
#include "app/standard_descriptors.h"
#include "app/stderr_posix.h"
#include "app/wiring.h"

#include <string>

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
    writeStandardOutput(std::string(usageLine) + "\n");
    return 0;
  }
  resetChildSignalToDefault();
  failWritesPastTheFileSizeLimit();
  reexecuteWithRepairedText(argc, argv, envp);
  const bool selfCheck = mode == RequestedMode::selfCheck;
  recordStart(selfCheck);
  if (selfCheck) return recordEnd(runSelfCheck(realSelfCheckOperations()));

  // Without a reachable display GNUstep would abort while creating the
  // application object, so the terminal runs the same step instead.
  if (!displayReachable()) {
    runAssistantAfterLaunch(false);
    return 0;
  }
  return runApplication([] { runAssistantAfterLaunch(true); });
}
