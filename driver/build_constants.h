#pragma once
// The assistant's build constants. All are fixed when the program is
// built and constant-initialised, so they exist before main() runs; nothing at
// run time overrides them.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orventa {

/// Bundle identifier of the vendor's system extension.
inline constexpr std::string_view driverBundleID = "cn.wch.CH34xVCPDriver";

/// Identifier under which the vendor's installer records its receipt.
inline constexpr std::string_view packageReceiptID = "cn.wch.pkg.CH34xVCPDriver";

/// SHA-256 of the embedded installer package, 64 lowercase hex digits.
/// Defined in build_constants.cpp, which each application variant compiles on
/// its own: the shipped program always carries the vendor package's digest,
/// the test-only variant the digest of the tests' fixture package.
extern const std::string_view expectedInstallerSHA256;

/// Signing identity the embedded package's signature check must report.
inline constexpr std::string_view expectedSigner =
    "Developer ID Installer: Nanjing Qinheng Microelectronics Co., Ltd. (5JZGQTGU4W)";

/// The largest package file the verification reads: 512 MiB. The vendor's
/// driver package is a few megabytes, and a file larger than this cannot be
/// it, so it is refused as a digest mismatch from its size alone, before a
/// byte is read or copied: reading and copying gigabytes would take minutes
/// without a word to the user and fill the temporary folder first.
inline constexpr std::uint64_t maximumPackageSize = std::uint64_t(512) << 20;

/// How long each system tool may run before it is ended and its run fails.
/// Defined in build_constants.cpp: the shipped program allows 60 s for the
/// driver-state queries ("systemextensionsctl list", "pkgutil --pkg-info")
/// and for opening the installer package, and 300 s for the package's
/// signature check and trust assessment (the assessment may ask the network
/// about notarization); the test-only variant allows 3 s for the queries,
/// 4 s for the package checks and 5 s for the opener.
extern const std::chrono::milliseconds driverQueryTimeLimit;
extern const std::chrono::milliseconds packageCheckTimeLimit;
extern const std::chrono::milliseconds openerTimeLimit;

}  // namespace orventa
