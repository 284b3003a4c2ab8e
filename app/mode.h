#pragma once

#include <string_view>

namespace orventa {

/// What the arguments ask the program to do.
enum class RequestedMode {
  normal,      ///< the assistant with its alerts
  selfCheck,   ///< the self-check, no user interface
  help,        ///< usageLine on standard output, exit status 0
  usageError,  ///< usageLine on standard error, exit status usageErrorStatus
};

/// The one line (without its line feed) that names the program's one option.
inline constexpr std::string_view usageLine = "usage: DriverAssistant [--self-check] (the only option)";

/// The exit status of a usage error: EX_USAGE of <sysexits.h>.
inline constexpr int usageErrorStatus = 64;

/// The mode the arguments choose. Argument zero is the program's path and
/// counts only when it is exactly "--self-check".
///  - Any argument after it that starts with two dashes and is neither
///    "--self-check" nor "--help" (a misspelt "--selfcheck", "--self-check=1",
///    a lone "--") is a usage error, whatever else is there: a management
///    script that mistypes the option gets a failure, never a run of normal
///    mode that ends with status 0.
///  - Otherwise "--self-check" anywhere (whole argument, case-sensitive)
///    chooses the self-check, also beside "--help", so its exit status is
///    always that of a real check.
///  - Otherwise "--help" asks for the usage line.
///  - Everything else, the single-dash arguments the system passes to an
///    application ("-psn_0_12345", "-AppleLanguages (en)") included, is the
///    application's and chooses normal mode.
/// Any content, including non-UTF-8 bytes and null entries, is safe.
RequestedMode requestedMode(int argc, const char* const* argv);

}  // namespace orventa
