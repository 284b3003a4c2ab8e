#pragma once
// The assistant's four build constants. All are fixed when the program is
// built and constant-initialised, so they exist before main() runs; nothing at
// run time overrides them. Limits of the program's own live beside what they
// bound: maximumPackageSize in package/package_verification.h, toolOutputLimit
// in driver/runner/run.h, the tools' time limits in app/tool_runners.cpp.

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

}  // namespace orventa
