#include "app/stderr_posix.h"
#include "app/wiring.h"
#include "app/time_limits.h"
#include "package/embedded_package.h"

namespace orventa {

SelfCheckOperations realSelfCheckOperations() {
  SelfCheckOperations operations;
  operations.classify = classifyDriverState;
  // Nothing is opened here: the check's private copy is gone when it returns.
  operations.verifyPackage = [] {
    checkEmbeddedPackage(recordedRunner(LogCategory::package, packageCheckTimeLimit), writeSystemLog);
  };
  operations.writeError = writeStandardError;
  return operations;
}

}  // namespace orventa
