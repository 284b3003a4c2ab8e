#pragma once

#include <functional>
#include <string_view>

#include "driver/driver_state.h"

namespace orventa {

/// What the self-check needs; production wires the real ones in
/// self_check_wiring.cpp.
struct SelfCheckOperations {
  /// The classification rules under test.
  std::function<DriverState(std::string_view extensionOutput, bool receiptExists)> classify;
  /// Verifies the embedded installer package; throws on failure (any
  /// std::exception, whose what() is the user-readable description).
  std::function<void()> verifyPackage;
  /// Writes bytes to standard error in one write.
  std::function<void(std::string_view bytes)> writeError;
};

/// The self-check's exit statuses.
inline constexpr int selfCheckPassed = 0;
inline constexpr int selfCheckFailed = 1;

/// Runs the self-check ("--self-check") and returns the process exit status:
///  - selfCheckFailed with no output when a classification rule fails (the
///    package is then not looked at);
///  - selfCheckFailed after writing the failure's description and one line
///    feed when the package does not verify; the description stays on that
///    one line (oneLine(), common/one_line.h);
///  - selfCheckPassed with no output otherwise.
/// It never asks this Mac for its driver's state: that is
/// reportDriverState() (app/driver_state_report.h).
int runSelfCheck(const SelfCheckOperations& operations);

}  // namespace orventa
