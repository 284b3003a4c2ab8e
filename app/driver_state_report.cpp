#include "app/driver_state_report.h"

#include <string>

namespace orventa {

namespace {

int statusOf(DriverState state) {
  switch (state) {
    case DriverState::enabled:
      return driverEnabledStatus;
    case DriverState::installedNotEnabled:
      return driverNotEnabledStatus;
    case DriverState::notInstalled:
      break;
  }
  return driverNotInstalledStatus;
}

}  // namespace

int reportDriverState(const DriverStateReportOperations& operations) {
  const DriverStateReading reading = operations.read();
  // A tool that did not answer says nothing about the driver: the state it
  // gives is what an empty, cut or refused listing or a missing receipt
  // would, and a script must not take that for the driver's.
  const bool known = !reading.failure;
  if (!known) operations.writeError(*reading.failure + "\n");
  const std::string line = std::string(known ? driverStateName(reading.state) : unknownDriverStateName) + "\n";
  if (!operations.writeOutput(line)) return driverStateNotWrittenStatus;
  return known ? statusOf(reading.state) : driverStateUnknownStatus;
}

}  // namespace orventa
