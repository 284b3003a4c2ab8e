#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

/// What one run of a system tool gave.
struct CommandResult {
  /// The exit code for a normal exit; for a child ended by a signal the
  /// negated signal number, a value no exit code can have. Never 0 then.
  std::int32_t status = 0;
  /// Everything the child wrote on standard output and standard error, in the
  /// order it reached the one shared pipe, as UTF-8 (ill-formed bytes
  /// replaced by U+FFFD); never trimmed or split.
  std::string output;
};

/// Starts the executable exactly at `path` (no shell, no search of a command
/// path) with `arguments` one to one after argument zero, waits for it and
/// returns its status and merged output. Standard input, environment and
/// working directory are inherited.
/// Throws std::system_error with the platform's errno when the child cannot
/// be started; that is the only failure. A non-zero status is a result.
CommandResult run(const std::string& path, const std::vector<std::string>& arguments);

/// The runner as a parameter, so logic can be driven with fakes.
using CommandRunner =
    std::function<CommandResult(const std::string& path, const std::vector<std::string>& arguments)>;
