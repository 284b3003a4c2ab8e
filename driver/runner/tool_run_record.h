#pragma once
// Each tool run's record in the system log (the program's own start and end
// records are app/start_and_end_record.h).

#include "driver/runner/run.h"
#include "common/event_log.h"

namespace orventa {

/// How a run ended, for a record: "exit status N", "ended by signal N" for a
/// negative status, "status unknown" for unknownTerminationStatus.
std::string terminationText(std::int32_t status);

/// `runner` with one record per tool run written to `log` under `category`,
/// once the run has ended:
///   run "PATH" "ARGUMENT"...: TERMINATION, B bytes of output, D ms
/// with terminationText() of its status and B the bytes the tool wrote
/// (CommandResult::outputBytes, not the size of the repaired text), or
/// "failed: WHAT, D ms" when the runner throws (a start failure or a
/// time-out). The output itself is never recorded. The result, or the exception, passes on unchanged.
ToolRunner recordingRunner(ToolRunner runner, EventLog log, LogCategory category);

}  // namespace orventa
