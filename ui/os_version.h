#pragma once

#include <string>

/// The operating system's human-readable version text as the platform gives
/// it (on a Mac "Version 14.2 (Build 23C64)"; on GNUstep the kernel release),
/// unchanged, as UTF-8. Needs no application object.
std::string operatingSystemVersionText();
