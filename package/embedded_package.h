#pragma once

#include <string>

/// The verified embedded installer package: the resource "CH34xVCPDriver"
/// with the extension "pkg" from the application's main bundle, checked
/// against the build constants `expectedInstallerSHA256` and
/// `expectedSigner` with the real file read and system tools. Returns its
/// path; throws as verifiedPackage() does (package_verification.h).
std::string embeddedPackage();
