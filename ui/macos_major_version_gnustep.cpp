#include "ui/os_version.h"

namespace orventa {

// GNUstep runs on systems that are not macOS: their version (a kernel
// release) names no place in System Settings.
int runningMacOSMajorVersion() { return 0; }

}  // namespace orventa
