#include "ui/os_version.h"

#import <Foundation/Foundation.h>

namespace orventa {

int runningMacOSMajorVersion() {
  // operatingSystemVersion is there from macOS 10.10; the build's minimum is
  // later. It returns a plain struct, so nothing is autoreleased.
  const NSOperatingSystemVersion version = [[NSProcessInfo processInfo] operatingSystemVersion];
  return macOSMajorVersion(static_cast<int>(version.majorVersion), static_cast<int>(version.minorVersion));
}

}  // namespace orventa
