#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/event_log.h"
#include "driver/runner/run.h"

namespace orventa {

/// How ready the vendor's USB-to-serial driver is on this machine.
enum class DriverState {
  enabled,              ///< the driver's extension is listed as "[activated enabled]"
  installedNotEnabled,  ///< listed in another state, or only the package receipt exists
  notInstalled,         ///< neither listed nor any receipt
};

/// Classifies the system extension listing and the receipt query's answer.
/// Pure and total: any text of any size gives a result.
///  - enabled: one line of the listing (lines end at a line feed) contains both
///    driverBundleID and "[activated enabled]";
///  - installedNotEnabled: otherwise, the listing contains driverBundleID
///    anywhere, or the receipt exists;
///  - notInstalled: otherwise.
/// All searches are case-sensitive substring searches.
DriverState classifyDriverState(std::string_view extensionOutput, bool receiptExists);

/// The driver's line of a listing, without its line feed: the first line
/// that makes classifyDriverState answer enabled, else the first line that
/// names driverBundleID; nothing when no line names it.
std::optional<std::string_view> driverListingLine(std::string_view extensionOutput);

/// "enabled", "installedNotEnabled" or "notInstalled".
std::string_view driverStateName(DriverState state);

/// The record of one driver query for the run's log:
///   driver state: STATE, receipt found|no receipt, listing line "LINE"
/// or ", driver not listed" in place of the line. Only the driver's own line
/// of the listing is quoted, never the rest.
std::string driverStateRecord(DriverState state, std::string_view extensionOutput, bool receiptExists);

/// One reading of the driver's state for a report that must not guess.
struct DriverStateReading {
  /// The state as driverState() answers it (a failed run counts as an empty
  /// listing or an absent receipt).
  DriverState state = DriverState::notInstalled;
  /// When a tool did not answer: its run failed (the tool could not be
  /// started, passed its time or output limit, memory ran out), the listing
  /// tool ended with a status other than 0 or by a signal, or the receipt
  /// query ended by a signal or with a status other than 0 (a receipt) and 1
  /// (no receipt). The first such failure on one line, naming the tool and
  /// what happened (the run's reason, "PATH ended with status N", "PATH
  /// ended by signal N"). Then `state` says nothing about the driver.
  std::optional<std::string> failure;
};

/// driverState() that also says which run failed, for a report that must
/// not guess: the same two runs in the same order, the same record.
DriverStateReading readDriverState(const ToolRunner& runner, const EventLog& log = {});

/// The driver's state on this machine, asked afresh on every call: runs
/// "/usr/bin/systemextensionsctl" "list", then "/usr/sbin/pkgutil"
/// "--pkg-info" packageReceiptID through `runner`, one after the other, and
/// classifies the listing (whatever its status) and whether the receipt query
/// ended with status 0. Never fails: a run that fails in any way (the tool
/// cannot be started, passes its time limit or its output limit, memory runs
/// out) counts as an empty listing or an absent receipt. Blocks until both
/// runs have ended. Writes driverStateRecord() to `log` under
/// LogCategory::state. Production passes driverQueryRunner()
/// (app/tool_runners.h).
DriverState driverState(const ToolRunner& runner, const EventLog& log = {});

}  // namespace orventa
