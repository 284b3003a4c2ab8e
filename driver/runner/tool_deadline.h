#pragma once
// When a tool's time limit is declared: the rule that the reading of its
// output (run.cpp) and the wait for its end (tool_process.cpp) share.

#include <algorithm>
#include <chrono>
#include <optional>

#include "driver/runner/tool_clock.h"

namespace orventa {

/// How long a tool still at work past its deadline may stay silent before
/// its limit is declared, counted from the first look past the deadline and
/// again from each output read after it. A program that was stopped (Ctrl-Z,
/// SIGSTOP) or whose wait came back late may find the tool blocked on a full
/// pipe, or between closing its output and its end: it has to let the tool
/// run again before it can tell a hung tool from a quick one.
inline constexpr std::chrono::milliseconds quietGraceAfterDeadline{250};

/// The most a tool that keeps writing may draw that grace out, from the
/// first look past the deadline: a tool that writes without end is ended
/// close to its limit too, not only once its output passes toolOutputLimit.
inline constexpr std::chrono::milliseconds longestGraceAfterDeadline{1000};

/// A tool's deadline on ToolClock, and the looks taken at the tool: the
/// limit is declared only at a look that finds the tool still running with
/// nothing to read, taken past the deadline once the tool has been silent
/// for quietGraceAfterDeadline (at most longestGraceAfterDeadline after the
/// first look past the deadline).
class ToolDeadline {
 public:
  explicit ToolDeadline(ToolClock::time_point deadline) : deadline_(deadline) {}

  /// A look, taken after the clock read `at`, found output.
  void outputAt(ToolClock::time_point at) {
    if (at < deadline_) return;
    if (!firstLate_) firstLate_ = at;
    quietFrom_ = at;
  }

  /// A look, taken after the clock read `at`, found the tool still running
  /// and nothing to read: whether its time limit has passed.
  bool passedAt(ToolClock::time_point at) {
    if (at < deadline_) return false;
    if (!firstLate_) {
      firstLate_ = at;
      quietFrom_ = at;
      return false;
    }
    return at >= waitUntil();
  }

  /// How long a wait before the next look may last.
  ToolClock::time_point waitUntil() const {
    if (!firstLate_) return deadline_;
    return std::min(quietFrom_ + quietGraceAfterDeadline, *firstLate_ + longestGraceAfterDeadline);
  }

 private:
  ToolClock::time_point deadline_;
  std::optional<ToolClock::time_point> firstLate_;
  ToolClock::time_point quietFrom_{};
};

}  // namespace orventa
