#pragma once
// The runner's guard against the signals that end the program. With the
// private copy's removal (package/copy_removal_on_signal.h), which this guard
// nests inside while a tool checks the copy, this is the program's only code
// that runs inside a signal handler.

#include <signal.h>

#include <string>

#include "common/ending_signals.h"

namespace orventa {

/// While a guard lives, the ending signals (endingSignals,
/// common/ending_signals.h) are caught so that the program can end the tool
/// it runs before the signal takes its course. The
/// handler only notes which signals came and writes one byte to `wakeWriteEnd`
/// (a non-blocking pipe end whose reading end every wait polls, so a signal
/// between a check and a wait cannot be missed; -1 for none).
/// A signal the program ignores (as under nohup) stays ignored; one it
/// handles itself (GNUstep's application object handles SIGINT and SIGTERM)
/// goes to that handler once the guard finishes.
/// One guard at a time in the process: the noted signals and the wake
/// descriptor are process-wide.
class EndingSignalGuard {
 public:
  explicit EndingSignalGuard(int wakeWriteEnd);
  EndingSignalGuard(const EndingSignalGuard&) = delete;
  EndingSignalGuard& operator=(const EndingSignalGuard&) = delete;
  ~EndingSignalGuard() { finish(); }

  /// Throws std::system_error (EINTR, what() = `what` + ": " + its text)
  /// when an ending signal has come: whatever runs stops there, and the
  /// guard raises the signal again once it finishes.
  static void stopIfSignalled(const std::string& what);

  /// Puts the program's own handling back and raises again every signal
  /// that came meanwhile, so that each ends the program as it would have,
  /// or runs the program's own handler: those that run a handler first, then
  /// those at their default, each group in the order of endingSignals, so
  /// that a handler runs even when a signal that ends the program came
  /// before it. (Nested in the private copy's guard, every caught signal
  /// runs that guard's handler, and the order is that of endingSignals.)
  /// Call it once whatever the signal must not interrupt is over
  /// (the tool's group ended and reaped); later calls, and the destructor,
  /// do nothing more.
  void finish() noexcept;

 private:
  EndingSignalHandling saved_;
  bool finished_ = false;
};

}  // namespace orventa
