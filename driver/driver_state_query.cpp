#include <exception>
#include <string>

#include "common/system_tools.h"
#include "driver/build_constants.h"
#include "driver/driver_state.h"

namespace orventa {

namespace {

std::string extensionListing(const ToolRunner& runner) {
  try {
    // Whatever the tool printed is searched, on whichever stream and with
    // whatever status: it prints its listing even when it complains.
    return runner(systemExtensionsTool, {"list"}).output;
  } catch (const std::exception&) {
    // Whatever the failure (no start, the time limit, too much output, no
    // memory), the query goes on with what a missing tool would give.
    return {};
  }
}

bool receiptExists(const ToolRunner& runner) {
  try {
    return runner(packageTool, {"--pkg-info", std::string(packageReceiptID)}).status == 0;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

DriverState driverState(const ToolRunner& runner, const EventLog& log) {
  // Two statements, so the listing is taken before the receipt is asked.
  const std::string listing = extensionListing(runner);
  const bool receipt = receiptExists(runner);
  const DriverState state = classifyDriverState(listing, receipt);
  if (log) logEvent(log, LogCategory::state, driverStateRecord(state, listing, receipt));
  return state;
}

}  // namespace orventa
