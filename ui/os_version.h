#pragma once

#include <string>

namespace orventa {

/// The operating system's human-readable version text as the platform gives
/// it (on a Mac "Version 14.2 (Build 23C64)"; on GNUstep the kernel release),
/// unchanged, as UTF-8. Needs no application object.
std::string operatingSystemVersionText();

/// The running macOS's major version (15 on macOS 15.2), from the system as
/// it reports itself to this build, read through `macOSMajorVersion`; 0 on a
/// system that is not macOS, whose version says nothing about where a Mac
/// keeps its settings.
int runningMacOSMajorVersion();

/// The major version the program goes by (for `approvalPlace`), from the
/// major and minor version the system reports: the major itself, except that
/// 10.16 and any later 10.x count as 11. macOS 11 and every later release
/// report 10.16 to a process in system version compatibility mode
/// (`SYSTEM_VERSION_COMPAT=1`), and no macOS 10 had a minor above 15, so
/// such a Mac runs macOS 11 at least and the real major cannot be told.
int macOSMajorVersion(int reportedMajor, int reportedMinor);

}  // namespace orventa
