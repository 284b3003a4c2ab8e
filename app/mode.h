#pragma once

#include <string_view>

namespace orventa {

/// What the arguments ask the program to do.
enum class RequestedMode {
  normal,       ///< the assistant with its alerts
  selfCheck,    ///< the self-check, no user interface (app/self_check.h)
  driverState,  ///< this Mac's driver state for scripts (app/driver_state_report.h)
  help,         ///< helpText on standard output, exit status 0
  usageError,   ///< usageLine on standard error, exit status usageErrorStatus
};

/// The program's options, each chosen only by exactly this argument.
inline constexpr std::string_view selfCheckOption = "--self-check";
inline constexpr std::string_view driverStateOption = "--driver-state";
inline constexpr std::string_view helpOption = "--help";
/// Every argument that asks for the help: the option and its short forms.
inline constexpr std::string_view helpOptions[] = {helpOption, "-h", "-?"};

/// The one line (without its line feed) that names the program's options.
inline constexpr std::string_view usageLine = "usage: DriverAssistant [--self-check | --driver-state | --help]";

/// What the help writes: usageLine, then one line per option with the exit
/// statuses it gives. Ends with a line feed.
inline constexpr std::string_view helpText =
    "usage: DriverAssistant [--self-check | --driver-state | --help]\n"
    "  --self-check    check the assistant itself: 0 sound, 1 not\n"
    "  --driver-state  write this Mac's driver state: 0 enabled, 1 installedNotEnabled, 2 notInstalled,"
    " 3 unknown, 74 not written\n"
    "  --help, -h, -?  write this help: 0\n";

/// The exit status of a usage error: EX_USAGE of <sysexits.h>.
inline constexpr int usageErrorStatus = 64;

/// The mode the arguments choose. Argument zero is the program's path and
/// counts only when it is exactly "--self-check" or "--driver-state".
/// After it, each argument is one of:
///  - an option: "--self-check" or "--driver-state" anywhere chooses its
///    mode, also beside the help, so the exit status is always that of a
///    real answer; both together are a usage error, as a script must get the
///    answer it asked for; "--help", "-h" or "-?" ask for the help;
///  - what the system itself passes an application: the process serial
///    number of older Finders ("-psn_0_12345"), and user-defaults pairs
///    "-Name value" ("-NSDocumentRevisionsDebugMode YES", "-AppleLanguages
///    (en)"): Name an ASCII letter followed by ASCII letters, digits, dots or
///    underscores, the value the next argument, whatever it holds, unless it
///    is an option or a mistyped one.
/// Anything else is a usage error: a script that mistypes an option must
/// get a failure, never a run of normal mode that ends with status 0, and no
/// list of the ways to mistype one is complete. So are, whatever else is
/// there, an argument that
///  - starts with two dashes and is not exactly an option ("--selfcheck",
///    "--self-check=1", a lone "--");
///  - starts (after any white space) with a dash look-alike other than the
///    ASCII hyphen-minus (en dash, em dash, minus sign, hyphen, full-width
///    hyphen-minus and their kin): what smart dashes and word processors make
///    of "--" in a pasted command;
///  - is a look-alike of an option: with surrounding white space and leading
///    dashes (or look-alikes) removed and ASCII letters in lower case, it
///    reads an option's words joined by a dash, a look-alike, an underscore
///    or nothing ("-self-check", " --self-check", "SELF_CHECK", "selfcheck");
///    even as the value of a defaults pair;
///  - is a defaults name with no value after it ("-verbose" last).
/// Any content, including non-UTF-8 bytes and null entries (skipped), is
/// safe.
RequestedMode requestedMode(int argc, const char* const* argv);

}  // namespace orventa
