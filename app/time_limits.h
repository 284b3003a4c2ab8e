#pragma once
// How long each system tool may run before it is ended and its run fails.
// Defined in time_limits.cpp, which each application variant compiles on its
// own: the shipped program allows the driver-state queries and the opener
// time for a slow machine and the package checks more (the trust assessment
// may ask the network about notarization); the test-only variant allows a
// few seconds, a different limit for each kind of tool.

#include <chrono>

namespace orventa {

/// The driver-state queries ("systemextensionsctl list", "pkgutil --pkg-info").
extern const std::chrono::milliseconds driverQueryTimeLimit;
/// The package's signature check and trust assessment.
extern const std::chrono::milliseconds packageCheckTimeLimit;
/// Opening the installer package.
extern const std::chrono::milliseconds openerTimeLimit;

}  // namespace orventa
