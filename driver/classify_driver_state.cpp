#include "driver/driver_state.h"

#include "driver/build_constants.h"

namespace {

constexpr std::string_view enabledMarker = "[activated enabled]";

// The listing holds one line per extension. The marker must sit on the
// driver's own line: another extension being enabled says nothing about ours,
// and reporting it as enabled would tell the user that no installation is
// needed while the driver is not running.
bool driverLineIsEnabled(std::string_view listing) {
  std::size_t start = 0;
  while (start <= listing.size()) {
    std::size_t end = listing.find('\n', start);
    if (end == std::string_view::npos) end = listing.size();
    std::string_view line = listing.substr(start, end - start);
    if (line.find(driverBundleID) != std::string_view::npos &&
        line.find(enabledMarker) != std::string_view::npos)
      return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

DriverState classifyDriverState(std::string_view extensionOutput, bool receiptExists) {
  if (driverLineIsEnabled(extensionOutput)) return DriverState::enabled;
  if (extensionOutput.find(driverBundleID) != std::string_view::npos || receiptExists)
    return DriverState::installedNotEnabled;
  return DriverState::notInstalled;
}
