#pragma once

#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orventa {

/// The most output a system tool may write before it is ended and its run
/// fails. The tools' real outputs are kilobytes, and the largest extension
/// listing imaginable is a few hundred kilobytes; a tool that writes more
/// than this has gone wrong, and the assistant must not hold its output.
inline constexpr std::size_t toolOutputLimit = std::size_t(16) << 20;

/// What one run of a system tool gave.
struct CommandResult {
  /// The exit code for a normal exit; for a child ended by a signal the
  /// negated signal number, a value no exit code can have. Never 0 then.
  /// unknownTerminationStatus when the system discarded the status.
  std::int32_t status = 0;
  /// Everything the child wrote on standard output and standard error, in the
  /// order it reached the one shared pipe, as UTF-8 (ill-formed bytes
  /// replaced by U+FFFD); never trimmed or split.
  std::string output;
  /// How many bytes the tool wrote, as they came, before the repair: what
  /// the run's record reports.
  std::size_t outputBytes = 0;
};

/// The status of a child whose end the system reported without its status:
/// a program that sets SIGCHLD to SIG_IGN has its children reaped by the
/// system. Neither an exit code nor a negated signal number, and not 0, so no
/// caller takes such a run for a success.
inline constexpr std::int32_t unknownTerminationStatus = INT32_MIN;

/// Starts the executable exactly at `path` (no shell, no search of a command
/// path) with `arguments` one to one after argument zero, waits for it and
/// returns its status and merged output. Standard input, environment and
/// working directory are inherited; the child leads a process group of its
/// own, so whatever it starts can be ended with it.
/// Returns once the child has ended and the pipe has reached end of file (a
/// grandchild that holds the pipe holds the call), all within `timeLimit`.
/// Fails with:
///  - std::system_error with the platform's errno when the child cannot be
///    started (what() = path + ": " + the system's text); no child is left;
///  - RunLimitError (driver/runner/run_limit_error.h) when the limit passes before
///    the end, or the output, or its text once repaired, grows past
///    `outputLimit` bytes (by default toolOutputLimit).
///    The limit is measured on ToolClock (driver/runner/tool_clock.h), which stands
///    still while the machine sleeps, and counts only time during which
///    the program was running and able to look at the child
///    (driver/runner/tool_deadline.h): however long the program was stopped,
///    a child that ends within its limit of that time gives its result,
///    whatever it writes. The limit is declared only at a look at the child
///    taken past the deadline that finds it still running with nothing to
///    read. The child's
///    process group and the child itself get SIGTERM, then SIGKILL as soon
///    as the child has ended or its grace (terminationGrace, tool_process.cpp)
///    has passed (the child even when it left its group), the child is reaped
///    (or, should it not end within reapAfterKill of SIGKILL, left to the
///    system: the call never waits without a bound), and the output is
///    dropped;
///  - std::bad_alloc when memory runs out, after ending the group the same way.
/// A non-zero status is a result. Each call leaves no descriptor behind.
/// A signal that ends the program (endingSignals, common/ending_signals.h)
/// while the child runs (unless the program ignores it) ends the child's
/// group first; then the signal takes its course: the
/// default action ends the program, a handler of the program's own runs, and
/// should the program go on, the run fails with std::system_error (EINTR).
/// Memory: the output goes into a buffer that grows fourfold when full; only
/// the part that holds output is ever touched, so the resident peak is at
/// most about twice the output's size (while a full buffer is moved, or the
/// repaired text made), and never much above twice `outputLimit` whatever
/// the tool writes; the result holds at most `outputLimit` bytes.
/// Not re-entrant: while a run lasts, the runner has process-wide handlers
/// for those signals in place (driver/runner/ending_signal_guard.h). Run
/// one tool at a time, from one thread, never from a signal handler.
CommandResult run(const std::string& path, const std::vector<std::string>& arguments,
                  std::chrono::milliseconds timeLimit, std::size_t outputLimit = toolOutputLimit);

/// For an opener that hands a file to another program and exits: like run,
/// but the child's standard output and standard error are the null device,
/// and the call returns as soon as the child itself has ended, whatever it
/// started and left running. `output` is always empty. The time limit and
/// its failure, start failures, signal handling and the rule of one run at a
/// time are as for run.
CommandResult runWithoutOutput(const std::string& path, const std::vector<std::string>& arguments,
                               std::chrono::milliseconds timeLimit);

/// The runner as a parameter, so logic can be driven with fakes. Production
/// binds each mode's time limit in app/tool_runners.cpp.
using ToolRunner =
    std::function<CommandResult(const std::string& path, const std::vector<std::string>& arguments)>;

}  // namespace orventa
