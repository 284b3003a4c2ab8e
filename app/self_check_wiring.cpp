#include "app/stderr_posix.h"
#include "app/wiring.h"

SelfCheckOperations realSelfCheckOperations() {
  SelfCheckOperations operations;
  operations.classify = classifyDriverState;
  operations.verifyPackage = [] {};
  operations.writeError = writeStandardError;
  return operations;
}
