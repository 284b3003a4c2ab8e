#include "app/standard_streams.h"
#include "app/tool_runners.h"
#include "app/wiring.h"
#include "package/embedded_package.h"

namespace orventa {

SelfCheckOperations realSelfCheckOperations() {
  SelfCheckOperations operations;
  operations.classify = classifyDriverState;
  // Nothing is opened here: the check's private copy is gone when it returns.
  operations.verifyPackage = [] { checkEmbeddedPackage(packageCheckRunner(), writeSystemLog); };
  operations.writeError = writeStandardError;
  return operations;
}

}  // namespace orventa
