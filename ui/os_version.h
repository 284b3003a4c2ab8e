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
/// major and minor version the system reports and the major of the Darwin
/// kernel's release (`kern.osrelease`, "22.6.0" → 22; 0 when not known):
/// the reported major itself, except for 10.16 and any later 10.x. A
/// process in system version compatibility mode (`SYSTEM_VERSION_COMPAT=1`)
/// is told 10.16 on macOS 11 and every later release, while the kernel's
/// release stays true; no macOS 10 had a minor above 15. So such a version
/// gets its major from Darwin's (macOSMajorVersionOfDarwin), and 11, the
/// least it can be, when Darwin's is not known or older than macOS 11's.
int macOSMajorVersion(int reportedMajor, int reportedMinor, int darwinMajor);

/// The macOS major version that ships Darwin `darwinMajor`: 20 → 11, 21 →
/// 12, 22 → 13, 23 → 14, 24 → 15, then 25 → 26 (macOS took the year's
/// number) and one more per Darwin major after. 0 for a Darwin older than
/// macOS 11's (below 20).
int macOSMajorVersionOfDarwin(int darwinMajor);

}  // namespace orventa
