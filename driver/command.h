#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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
};

/// The status of a child whose end the system reported without its status:
/// a program that sets SIGCHLD to SIG_IGN has its children reaped by the
/// system. Neither an exit code nor a negated signal number, and not 0, so no
/// caller takes such a run for a success.
inline constexpr std::int32_t unknownTerminationStatus = INT32_MIN;

/// Starts the executable exactly at `path` (no shell, no search of a command
/// path) with `arguments` one to one after argument zero, waits for it and
/// returns its status and merged output. Standard input, environment and
/// working directory are inherited.
/// Returns once the child has ended and the pipe has reached end of file (a
/// grandchild that holds the pipe holds the call).
/// Throws std::system_error with the platform's errno when the child cannot
/// be started (what() = path + ": " + the system's text); that is the only
/// failure, and it leaves no child or descriptor behind. A non-zero status is a result.
CommandResult run(const std::string& path, const std::vector<std::string>& arguments);

/// The runner as a parameter, so logic can be driven with fakes.
using CommandRunner =
    std::function<CommandResult(const std::string& path, const std::vector<std::string>& arguments)>;
