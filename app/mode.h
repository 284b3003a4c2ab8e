#pragma once

#include <string_view>

namespace orventa {

/// What the arguments ask the program to do.
enum class RequestedMode {
  normal,       ///< the assistant with its alerts
  selfCheck,    ///< the self-check, no user interface (app/self_check.h)
  driverState,  ///< this Mac's driver state for scripts (app/driver_state_report.h)
  help,         ///< usageLine on standard output, exit status 0
  usageError,   ///< usageLine on standard error, exit status usageErrorStatus
};

/// The program's options, each chosen only by exactly this argument.
inline constexpr std::string_view selfCheckOption = "--self-check";
inline constexpr std::string_view driverStateOption = "--driver-state";
inline constexpr std::string_view helpOption = "--help";

/// The one line (without its line feed) that names the program's options.
inline constexpr std::string_view usageLine = "usage: DriverAssistant [--self-check | --driver-state | --help]";

/// The exit status of a usage error: EX_USAGE of <sysexits.h>.
inline constexpr int usageErrorStatus = 64;

/// The mode the arguments choose. Argument zero is the program's path and
/// counts only when it is exactly "--self-check" or "--driver-state".
/// A script that mistypes an option gets a usage error, never a run of
/// normal mode that ends with status 0. So any argument after argument zero
/// is a usage error, whatever else is there, when it
///  - starts with two dashes and is not exactly an option ("--selfcheck",
///    "--self-check=1", a lone "--");
///  - starts (after any white space) with a dash look-alike other than the
///    ASCII hyphen-minus (en dash, em dash, minus sign, hyphen, full-width
///    hyphen-minus and their kin): what smart dashes and word processors make
///    of "--" in a pasted command; no system or user setting starts that way;
///  - is a look-alike of an option: with surrounding white space and leading
///    dashes (or look-alikes) removed and ASCII letters in lower case, it
///    reads an option's words joined by a dash, a look-alike, an underscore
///    or nothing ("-self-check", " --self-check", "SELF_CHECK", "selfcheck").
/// Otherwise:
///  - "--self-check" together with "--driver-state" is a usage error: a
///    script must get the answer it asked for;
///  - "--self-check" or "--driver-state" anywhere chooses its mode, also
///    beside "--help", so the exit status is always that of a real answer;
///  - "--help" asks for the usage line;
///  - everything else, the single-dash arguments the system passes to an
///    application ("-psn_0_12345", "-NSDocumentRevisionsDebugMode YES",
///    "-AppleLanguages (en)") included, is the application's: normal mode.
/// Any content, including non-UTF-8 bytes and null entries, is safe.
RequestedMode requestedMode(int argc, const char* const* argv);

}  // namespace orventa
