#include "app/standard_streams.h"
#include "app/tool_runners.h"
#include "app/wiring.h"

namespace orventa {

DriverStateReportOperations realDriverStateReportOperations() {
  DriverStateReportOperations operations;
  operations.read = [] { return readDriverState(driverQueryRunner(), writeSystemLog); };
  operations.writeOutput = writeStandardOutput;
  operations.writeError = writeStandardError;
  return operations;
}

}  // namespace orventa
