#include "ui/os_version.h"

namespace orventa {

namespace {
// The first minor that macOS 10 never had: macOS 11 under compatibility mode.
constexpr int firstCompatibilityMinor = 16;
}  // namespace

int macOSMajorVersion(int reportedMajor, int reportedMinor) {
  if (reportedMajor == 10 && reportedMinor >= firstCompatibilityMinor) return 11;
  return reportedMajor;
}

}  // namespace orventa
