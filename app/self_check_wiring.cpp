#include "app/stderr_posix.h"
#include "app/wiring.h"
#include "package/embedded_package.h"

SelfCheckOperations realSelfCheckOperations() {
  SelfCheckOperations operations;
  operations.classify = classifyDriverState;
  // The package's path is not needed here: returning is the success.
  operations.verifyPackage = [] { embeddedPackage(recordedRunner(LogCategory::package), writeSystemLog); };
  operations.writeError = writeStandardError;
  return operations;
}
