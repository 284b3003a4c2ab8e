#pragma once
// The runner's guard against the signals that end the program. With the
// private copy's removal (package/copy_removal_on_signal.h), which this guard
// nests inside while a tool checks the copy, this is the program's only code
// that runs inside a signal handler.

#include <signal.h>
#include <sys/types.h>

#include <string>

#include "common/ending_signals.h"

namespace orventa {

/// While a guard lives, the ending signals (endingSignals(),
/// common/ending_signals.h) are caught so that the program can end the tool
/// it runs before the signal takes its course. For most of them the
/// handler only notes which signals came and writes one byte to `wakeWriteEnd`
/// (a non-blocking pipe end whose reading end every wait polls, so a signal
/// between a check and a wait cannot be missed; -1 for none), and the run
/// ends the tool as at its limit. A fault signal (isFaultSignal()) may come
/// from a fault of the program itself, which cannot go on: its handler, on
/// the alternate signal stack, sends SIGKILL to the watched tool's group and
/// to the tool at once, then puts back the program's own handling and raises
/// the signal again, which takes its course as soon as the handler returns.
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

  /// The tool `pid` (the leader of its own group) runs: a fault signal ends
  /// its group. Until toolReaped() or finish().
  static void watchTool(pid_t pid) noexcept;
  /// The watched tool has been reaped: its id may name another process now.
  static void toolReaped() noexcept;

  /// Throws std::system_error (EINTR, what() = `what` + ": " + its text)
  /// when an ending signal has come: whatever runs stops there, and the
  /// guard raises the signal again once it finishes.
  static void stopIfSignalled(const std::string& what);

  /// Puts the program's own handling back and raises again every signal
  /// that came meanwhile, so that each ends the program as it would have,
  /// or runs the program's own handler: those that run a handler first, then
  /// those at their default, each group in the order of endingSignals(), so
  /// that a handler runs even when a signal that ends the program came
  /// before it. (Nested in the private copy's guard, every caught signal
  /// runs that guard's handler, and the order is that of endingSignals().)
  /// Call it once whatever the signal must not interrupt is over
  /// (the tool's group ended and reaped); later calls, and the destructor,
  /// do nothing more.
  void finish() noexcept;

 private:
  bool finished_ = false;
};

}  // namespace orventa
