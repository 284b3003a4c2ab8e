#pragma once

#include <string>

namespace orventa {

/// The operating system's human-readable version text as the platform gives
/// it (on a Mac "Version 14.2 (Build 23C64)"; on GNUstep the kernel release),
/// unchanged, as UTF-8. Needs no application object.
std::string operatingSystemVersionText();

/// The running macOS's major version (15 on macOS 15.2), from the system as
/// it reports itself to this build; 0 on a system that is not macOS, whose
/// version says nothing about where a Mac keeps its settings.
int runningMacOSMajorVersion();

}  // namespace orventa
