#pragma once
// The real platform operations, wired into the logic. Only main.cpp uses these.

#include <chrono>

#include "app/self_check.h"
#include "driver/runner/run.h"
#include "common/event_log.h"

namespace orventa {

/// The self-check with the real classifier, package verification and
/// standard error.
SelfCheckOperations realSelfCheckOperations();

/// What normal mode does once launching has finished: the assistant flow,
/// with AppKit alerts when `withDisplay`, with the terminal presenter otherwise.
void runAssistantAfterLaunch(bool withDisplay);

/// Writes the run's first record to the system log: the mode, the program's
/// version, the OS version text and, in normal mode, the language the
/// alerts are shown in.
void recordStart(bool selfCheck);

/// Writes the run's last record, the exit status, to the system log and
/// returns `status`.
int recordEnd(int status);

/// The tool runner with the time limit `timeLimit` (one of app/time_limits.h)
/// and a record of each tool run in the system log under
/// `category`.
ToolRunner recordedRunner(LogCategory category, std::chrono::milliseconds timeLimit);

/// The runner for opening the installer package: runWithoutOutput with
/// openerTimeLimit, recorded under LogCategory::flow.
ToolRunner recordedOpener();

}  // namespace orventa
