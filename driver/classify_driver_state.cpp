#include "driver/driver_state.h"

#include "driver/build_constants.h"
#include "common/event_log.h"

namespace orventa {

namespace {

constexpr std::string_view enabledMarker = "[activated enabled]";

bool namesDriver(std::string_view line) { return line.find(driverBundleID) != std::string_view::npos; }

// The listing holds one line per extension. The marker must sit on the
// driver's own line: another extension being enabled says nothing about ours,
// and reporting it as enabled would tell the user that no installation is
// needed while the driver is not running.
bool showsDriverEnabled(std::string_view line) {
  return namesDriver(line) && line.find(enabledMarker) != std::string_view::npos;
}

/// The first line (without its line feed) for which `matches` holds.
std::optional<std::string_view> firstLine(std::string_view listing, bool (*matches)(std::string_view)) {
  std::size_t start = 0;
  while (start <= listing.size()) {
    std::size_t end = listing.find('\n', start);
    if (end == std::string_view::npos) end = listing.size();
    std::string_view line = listing.substr(start, end - start);
    if (matches(line)) return line;
    start = end + 1;
  }
  return std::nullopt;
}

}  // namespace

DriverState classifyDriverState(std::string_view extensionOutput, bool receiptExists) {
  if (firstLine(extensionOutput, showsDriverEnabled)) return DriverState::enabled;
  if (namesDriver(extensionOutput) || receiptExists)
    return DriverState::installedNotEnabled;
  return DriverState::notInstalled;
}

std::optional<std::string_view> driverListingLine(std::string_view extensionOutput) {
  if (auto enabledLine = firstLine(extensionOutput, showsDriverEnabled)) return enabledLine;
  return firstLine(extensionOutput, namesDriver);
}

std::string_view driverStateName(DriverState state) {
  switch (state) {
    case DriverState::enabled:
      return "enabled";
    case DriverState::installedNotEnabled:
      return "installedNotEnabled";
    case DriverState::notInstalled:
      break;
  }
  return "notInstalled";
}

std::string driverStateRecord(DriverState state, std::string_view extensionOutput, bool receiptExists) {
  std::string record = "driver state: " + std::string(driverStateName(state));
  record += receiptExists ? ", receipt found" : ", no receipt";
  // The line names only the driver's own extension; the rest of the listing
  // (other vendors' extensions) stays out of the record.
  if (auto line = driverListingLine(extensionOutput))
    record += ", listing line " + quotedForLog(*line);
  else
    record += ", driver not listed";
  return record;
}

}  // namespace orventa
