#pragma once
// The system tools' runners of each mode, each with its time limit and its
// record in the system log. Defined in tool_runners.cpp, which each
// application variant compiles on its own: the shipped program's limits
// there, and the test-only variant's few seconds.

#include "driver/runner/run.h"

namespace orventa {

/// The driver-state queries ("systemextensionsctl list", "pkgutil
/// --pkg-info") of normal mode and of "--driver-state", recorded under
/// LogCategory::state.
ToolRunner driverQueryRunner();

/// The package's signature check and trust assessment, in normal mode and
/// in the self-check, recorded under LogCategory::package.
ToolRunner packageCheckRunner();

/// Opening the installer package (runWithoutOutput), recorded under
/// LogCategory::flow.
ToolRunner installerOpener();

}  // namespace orventa
