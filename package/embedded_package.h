#pragma once

#include <string>

/// The verified embedded installer package, for the Installer: the resource
/// "CH34xVCPDriver" with the extension "pkg" from the application's main
/// bundle, copied in one pass into a new private folder under the user's
/// temporary folder and checked there against the build constants
/// `expectedInstallerSHA256` and `expectedSigner` with the real system tools
/// (see verifiedPackage in package_verification.h). Returns the copy's path;
/// the copy stays after the program ends, since the Installer may still read
/// it. Copies that earlier runs left there for more than a day are removed.
/// Throws as verifiedPackage() does; a failed check leaves no copy.
std::string embeddedPackage();

/// The same check for the self-check: throws as embeddedPackage() does, and
/// removes its copy before it returns or throws, so nothing is left behind.
void checkEmbeddedPackage();
