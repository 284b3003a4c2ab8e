#pragma once

#include <string>

#include "driver/command.h"
#include "driver/event_log.h"

/// The verified embedded installer package: the resource "CH34xVCPDriver"
/// with the extension "pkg" from the application's main bundle, checked
/// against the build constants `expectedInstallerSHA256` and
/// `expectedSigner` with the real file read, the system tools started
/// through `runner`, and a record of each step written to `log`. Returns its
/// path; throws as verifiedPackage() does (package_verification.h).
std::string embeddedPackage(const CommandRunner& runner = run, const EventLog& log = {});
