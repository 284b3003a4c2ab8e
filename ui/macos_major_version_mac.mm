#include "ui/os_version.h"

#include <sys/sysctl.h>

#include <cstdlib>

#import <Foundation/Foundation.h>

namespace orventa {

namespace {

// The major of the Darwin kernel's release ("22.6.0" → 22), which system
// version compatibility mode leaves as it is; 0 when it cannot be read.
int darwinMajorVersion() {
  char release[64] = {};
  size_t size = sizeof release - 1;
  if (sysctlbyname("kern.osrelease", release, &size, nullptr, 0) != 0) return 0;
  return std::atoi(release);
}

}  // namespace

int runningMacOSMajorVersion() {
  // operatingSystemVersion is there from macOS 10.10; the build's minimum is
  // later. It returns a plain struct, so nothing is autoreleased.
  const NSOperatingSystemVersion version = [[NSProcessInfo processInfo] operatingSystemVersion];
  return macOSMajorVersion(static_cast<int>(version.majorVersion), static_cast<int>(version.minorVersion),
                           darwinMajorVersion());
}

}  // namespace orventa
