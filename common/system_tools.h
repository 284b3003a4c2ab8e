#pragma once
// The system tools the assistant runs, by their full paths: the driver-state
// queries (driver/) and the package checks (package/) both run pkgutil.

namespace orventa {

/// Lists the system extensions and their states.
inline constexpr char systemExtensionsTool[] = "/usr/bin/systemextensionsctl";
/// Looks up installer receipts and checks a package's signature.
inline constexpr char packageTool[] = "/usr/sbin/pkgutil";
/// The system's trust assessment of a package as an installer.
inline constexpr char assessmentTool[] = "/usr/sbin/spctl";

}  // namespace orventa
