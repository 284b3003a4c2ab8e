#pragma once
// The first and last records of a run in the system log, for support: the
// program's start and its end (each tool run's own record is
// driver/runner/tool_run_record.h).

#include <string_view>

namespace orventa {

/// Writes the run's first record: the mode ("self-check", "driver state",
/// "normal mode"), the program's version, the OS version text and, for a run
/// that shows alerts, the `language` they are shown in (empty: none).
void recordStart(std::string_view modeName, std::string_view language = {});

/// Writes the run's last record, the exit status, and returns `status`.
int recordEnd(int status);

}  // namespace orventa
