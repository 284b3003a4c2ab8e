// Process entry: chooses between the self-check and the normal assistant.

#include "app/application.h"
#include "app/child_status.h"
#include "app/display.h"
#include "app/file_size_signal.h"
#include "app/mode.h"
#include "app/process_text.h"
#include "app/self_check.h"
#include "app/standard_descriptors.h"
#include "app/wiring.h"

int main(int argc, char** argv, char** envp) {
  // Before anything opens a descriptor of its own.
  openMissingStandardDescriptors();
  receiveChildStatuses();
  failWritesPastTheFileSizeLimit();
  prepareProcessText(argc, argv, envp);
  const bool selfCheck = selfCheckRequested(argc, argv);
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
