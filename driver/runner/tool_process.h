#pragma once
// The runner's child process: starting it in a process group of its own,
// waiting for its end against a deadline, and ending its whole group.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "driver/runner/tool_clock.h"
#include "driver/runner/tool_deadline.h"

namespace orventa {

/// Starts the executable exactly at `path` with `arguments` after argument
/// zero, as the leader of a new process group, with standard input
/// inherited and standard output and standard error both going to
/// `outputTo` (the null device for -1); no other descriptor of the program
/// reaches it, and it starts with every signal unblocked and at its
/// default. Returns its process id. Throws std::system_error with the
/// platform's error (what() = `path` + ": " + the system's text) when it
/// cannot start; no child is left then.
pid_t startTool(const std::string& path, const std::vector<std::string>& arguments, int outputTo);

/// Reaps the tool once it has ended, and gives its status as
/// CommandResult::status has it; nothing once `deadline` says at a look that
/// finds it still running that its time limit has passed. Every reading of
/// the clock goes to `deadline` and every pause ends by its waitUntil(), so
/// that time the program was stopped does not count against the tool.
/// `wakeFd` (-1 for none) cuts a pause short when an ending signal comes;
/// such a signal stops the wait (EndingSignalGuard::stopIfSignalled with
/// `path`).
std::optional<std::int32_t> reapBy(pid_t pid, ToolDeadline& deadline, int wakeFd, const std::string& path);

/// Ends the tool's whole group and the tool itself, and reaps the tool:
/// SIGTERM to both, up to two seconds for the tool to end, then SIGKILL to
/// whatever is left of the group and to the tool, whatever the system
/// answered for the group (a tool that moved into another group is reached
/// by its process id). The reap waits half a second at most: a tool that
/// does not end even then (held in an uninterruptible wait) is left to the
/// system. Processes the tool moved into other groups or sessions are out of
/// reach and may stay running. Every way a run ends a tool early comes here.
void endToolGroup(pid_t pid);

/// Whole milliseconds for poll(2), rounded up so that a wait never ends
/// before `remaining` has passed; 0 when nothing remains.
int pollTimeout(ToolClock::duration remaining);

}  // namespace orventa
