#include "ui/os_version.h"

namespace orventa {

namespace {
// The first minor that macOS 10 never had: macOS 11 and later under
// compatibility mode.
constexpr int firstCompatibilityMinor = 16;
// Darwin 20 is macOS 11; Darwin 25 is macOS 26, where macOS took the year's
// number and the two stopped being nine apart.
constexpr int darwinOfMacOS11 = 20;
constexpr int darwinOfMacOS26 = 25;
}  // namespace

int macOSMajorVersionOfDarwin(int darwinMajor) {
  if (darwinMajor < darwinOfMacOS11) return 0;
  if (darwinMajor < darwinOfMacOS26) return darwinMajor - darwinOfMacOS11 + 11;
  return darwinMajor - darwinOfMacOS26 + 26;
}

int macOSMajorVersion(int reportedMajor, int reportedMinor, int darwinMajor) {
  if (reportedMajor != 10 || reportedMinor < firstCompatibilityMinor) return reportedMajor;
  const int fromDarwin = macOSMajorVersionOfDarwin(darwinMajor);
  return fromDarwin != 0 ? fromDarwin : 11;
}

}  // namespace orventa
