#pragma once

namespace orventa {

/// Makes sure the arguments and environment that the platform reads are
/// well-formed UTF-8. Called first thing in main.
/// GNUstep ends the program with an uncaught exception, in either mode, when
/// an argument or an environment entry holds ill-formed UTF-8, and it reads
/// them behind the program's back. In that case, and only then, the program
/// starts itself again in place with the same texts, each ill-formed
/// sequence replaced by U+FFFD: an option (app/mode.h) is ASCII and cannot
/// change that way, and the tools it starts
/// inherit the repaired environment. Does nothing on a Mac, or if the new
/// start fails.
void reexecuteWithRepairedText(int argc, char** argv, char** envp);

}  // namespace orventa
