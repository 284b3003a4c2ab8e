// Process entry: chooses between the self-check and the normal assistant.

#include "app/application.h"
#include "app/display.h"
#include "app/mode.h"
#include "app/self_check.h"
#include "app/stderr_posix.h"
#include "driver/driver_state.h"

int main(int argc, char** argv) {
  if (selfCheckRequested(argc, argv)) {
    SelfCheckOperations operations;
    operations.classify = classifyDriverState;
    operations.verifyPackage = [] {};
    operations.writeError = writeStandardError;
    return runSelfCheck(operations);
  }

  // What normal mode does once launching has finished.
  auto whenLaunched = [] {};

  // Without a reachable display GNUstep would abort while creating the
  // application object, so the terminal runs the same step instead.
  if (!displayReachable()) {
    whenLaunched();
    return 0;
  }
  return runApplication(whenLaunched);
}
