#pragma once

#include <functional>
#include <string_view>

#include "driver/driver_state.h"

namespace orventa {

/// The exit statuses of "--driver-state", by the monitoring convention: 0
/// fine, 1 needs attention, 2 missing, 3 unknown.
inline constexpr int driverEnabledStatus = 0;
inline constexpr int driverNotEnabledStatus = 1;
inline constexpr int driverNotInstalledStatus = 2;
inline constexpr int driverStateUnknownStatus = 3;
/// The answer could not be written (standard output closed, a reader that
/// went away): EX_IOERR of <sysexits.h>.
inline constexpr int driverStateNotWrittenStatus = 74;

/// The word for a state that could not be read.
inline constexpr std::string_view unknownDriverStateName = "unknown";

/// What the driver-state report needs; production wires the real ones in
/// driver_state_wiring.cpp.
struct DriverStateReportOperations {
  /// This Mac's driver state, read afresh (readDriverState()).
  std::function<DriverStateReading()> read;
  /// Writes bytes to standard output; false when they could not all be
  /// written.
  std::function<bool(std::string_view bytes)> writeOutput;
  /// Writes bytes to standard error.
  std::function<void(std::string_view bytes)> writeError;
};

/// Reports this Mac's driver state for a script ("--driver-state") and
/// returns the process exit status:
///  - one line on standard output, the state's name as driverStateName()
///    gives it ("enabled", "installedNotEnabled", "notInstalled"), with
///    driverEnabledStatus, driverNotEnabledStatus or driverNotInstalledStatus;
///  - when a tool did not answer (DriverStateReading::failure: a run that
///    failed, a listing that ended with a status other than 0 or by a
///    signal, a receipt query that ended otherwise than with 0 or 1), so the
///    state is not known: "unknown" on standard output with
///    driverStateUnknownStatus, and the failure (the tool and what happened)
///    on one line on standard error; a state is never guessed;
///  - driverStateNotWrittenStatus when the line could not be written.
int reportDriverState(const DriverStateReportOperations& operations);

}  // namespace orventa
