#pragma once

namespace orventa {

/// The exit status when the program cannot start itself again with its
/// texts repaired: EX_OSERR of <sysexits.h>, a status that no mode gives as
/// an answer.
inline constexpr int restartFailedStatus = 71;

/// Makes sure the arguments and environment that the platform reads are
/// well-formed UTF-8. Called first thing in main, before any record.
/// GNUstep ends the program with an uncaught exception, in either mode, when
/// an argument or an environment entry holds ill-formed UTF-8, and it reads
/// them behind the program's back. In that case, and only then, the program
/// starts itself again in place with the same texts, each ill-formed
/// sequence replaced by U+FFFD: an option (app/mode.h) is ASCII and cannot
/// change that way, and the tools it starts inherit the repaired
/// environment. Returns only when there was nothing to repair (always on a
/// Mac), giving 0, or when the new start failed (a repaired text past the
/// system's limits, say), giving the platform's errno: then the program
/// cannot go on as it was started, and must end with restartFailedStatus.
int reexecuteWithRepairedText(int argc, char** argv, char** envp);

}  // namespace orventa
