#pragma once

#include <string>

#include "driver/runner/run.h"
#include "common/event_log.h"

namespace orventa {

/// The verified embedded installer package, for the Installer: the resource
/// "CH34xVCPDriver" with the extension "pkg" from the application's main
/// bundle, copied in one pass into a new private folder under the user's
/// temporary folder (privateCopyInTemporaryFolder, temporary_folder.h:
/// TMPDIR, else "/tmp", when no other user can reach into it and it has
/// room; else the fallback, on a Mac the user's own folder under
/// /var/folders, elsewhere "/tmp") and checked
/// there against the build constants `expectedInstallerSHA256` and
/// `expectedSigner` with the system tools
/// started through `runner`, a record of each step written to `log` (see
/// verifiedPackage in package_verification.h). Returns the copy's path;
/// the copy stays after the program ends, since the Installer may still read
/// it. Copies that earlier runs left there for more than staleCopyAge are removed.
/// Throws as verifiedPackage() does; a failed check leaves no copy.
/// Production passes packageCheckRunner() (app/tool_runners.h).
std::string embeddedPackage(const ToolRunner& runner, const EventLog& log = {});

/// The same check for the self-check: throws as embeddedPackage() does, and
/// removes its copy before it returns or throws, so nothing is left behind.
/// It also removes stale copies as embeddedPackage() does, so the copy of a
/// self-check that was killed outright does not stay.
void checkEmbeddedPackage(const ToolRunner& runner, const EventLog& log = {});

}  // namespace orventa
