#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include "common/one_line.h"
#include "common/system_tools.h"
#include "driver/build_constants.h"
#include "driver/driver_state.h"

namespace orventa {

namespace {

// The failure of a run as one line that names the tool: the runner's own
// texts name it already ("PATH: reason", "PATH did not finish ..."); others
// (no memory) get it in front.
std::string failureLine(const std::string& tool, const std::exception& failure) {
  const std::string_view reason = failure.what();
  std::string line = reason.find(tool) == std::string_view::npos ? tool + ": " + std::string(reason) : std::string(reason);
  return oneLine(line);
}

// How a tool that ran ended, as the reading's failure names it: "PATH ended
// with status N", "PATH ended by signal N".
std::string endingLine(const std::string& tool, std::int32_t status) {
  if (status == unknownTerminationStatus) return tool + " ended with a status the system did not keep";
  if (status < 0) return tool + " ended by signal " + std::to_string(-static_cast<std::int64_t>(status));
  return tool + " ended with status " + std::to_string(status);
}

std::string extensionListing(const ToolRunner& runner, std::optional<std::string>& failure) {
  try {
    // Whatever the tool printed is searched, on whichever stream and with
    // whatever status: it prints its listing even when it complains. A
    // listing that did not end well may be cut short, so the reading says
    // so to a report that must not guess.
    CommandResult result = runner(systemExtensionsTool, {"list"});
    if (result.status != 0) failure = endingLine(systemExtensionsTool, result.status);
    return std::move(result.output);
  } catch (const std::exception& error) {
    // Whatever the failure (no start, the time limit, too much output, no
    // memory), the query goes on with what a missing tool would give.
    failure = failureLine(systemExtensionsTool, error);
    return {};
  }
}

bool receiptExists(const ToolRunner& runner, std::optional<std::string>& failure) {
  try {
    const std::int32_t status = runner(packageTool, {"--pkg-info", std::string(packageReceiptID)}).status;
    // 0 is a receipt and 1 what the tool gives for a package it has no
    // receipt of; any other end says nothing about the receipt.
    if (status != 0 && status != 1 && !failure) failure = endingLine(packageTool, status);
    return status == 0;
  } catch (const std::exception& error) {
    if (!failure) failure = failureLine(packageTool, error);
    return false;
  }
}

}  // namespace

DriverStateReading readDriverState(const ToolRunner& runner, const EventLog& log) {
  DriverStateReading reading;
  // Two statements, so the listing is taken before the receipt is asked.
  const std::string listing = extensionListing(runner, reading.failure);
  const bool receipt = receiptExists(runner, reading.failure);
  reading.state = classifyDriverState(listing, receipt);
  if (log) logEvent(log, LogCategory::state, driverStateRecord(reading.state, listing, receipt));
  return reading;
}

DriverState driverState(const ToolRunner& runner, const EventLog& log) { return readDriverState(runner, log).state; }

}  // namespace orventa
