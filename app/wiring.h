#pragma once
// Each mode with the real platform calls wired into its logic, for main.cpp:
// one file a mode, self_check_wiring.cpp, driver_state_wiring.cpp and
// assistant_wiring.cpp; their tool runners come from tool_runners.h.

#include "app/driver_state_report.h"
#include "app/self_check.h"

namespace orventa {

/// The self-check with the real classifier, package verification and
/// standard error.
SelfCheckOperations realSelfCheckOperations();

/// The driver-state report with the real driver query and standard streams.
DriverStateReportOperations realDriverStateReportOperations();

/// What normal mode does once launching has finished: the assistant flow,
/// with AppKit alerts when `withDisplay`, with the terminal presenter
/// otherwise; then the run's last record.
void runAssistantAfterLaunch(bool withDisplay);

}  // namespace orventa
