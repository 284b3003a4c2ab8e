#pragma once
// When a tool's time limit is declared: the rule that the reading of its
// output (run.cpp) and the wait for its end (tool_process.cpp) share.

#include <chrono>

#include "driver/runner/tool_clock.h"

namespace orventa {

/// The longest a run waits between two looks at its tool. A wait that comes
/// back late tells that the program was not running (stopped by Ctrl-Z or
/// SIGSTOP, or not given the processor), but not from when: the time it
/// was allowed to wait counts as watched, so that much of a stop may count
/// against the tool.
inline constexpr std::chrono::milliseconds longestToolWait{50};

/// How late a wait, or the work between two looks, may come back and still
/// count as watched: the system's usual delay in waking a program. Only
/// lateness beyond it moves the deadline, so that small delays, however
/// many, never draw a limit out.
inline constexpr std::chrono::milliseconds lateWakeAllowance{20};

/// A tool's deadline on ToolClock, counted only on time during which the
/// program was running and able to look at the tool. Every look the run
/// takes at the tool is given here with the clock's reading before it
/// (passedAt, outputAt); a wait between two looks ends by waitUntil(). When
/// a reading comes later than the program allowed itself (the end of the
/// wait it declared, or the reading before when it did not wait) by more
/// than lateWakeAllowance, the program was not running meanwhile, and the
/// deadline moves by all of that lateness. So a tool that ends within its
/// limit of watched time is not taken for one that did not finish, however
/// long the program was stopped and whatever it wrote meanwhile (only the
/// wait a stop came in, longestToolWait at most, counts as watched), while
/// a tool that runs on is still declared past its limit once the program
/// has watched it that long. The readings are parameters, so the rule can
/// be driven with any clock.
class ToolDeadline {
 public:
  /// The tool started at `start` (a reading of ToolClock) with `limit`.
  ToolDeadline(ToolClock::time_point start, ToolClock::duration limit)
      : deadline_(start + limit), lastReading_(start), backBy_(start) {}

  /// A look, taken after the clock read `at`, found output.
  void outputAt(ToolClock::time_point at) { readAt(at); }

  /// A look, taken after the clock read `at`, found the tool still running
  /// and nothing to read: whether its limit of watched time has passed.
  bool passedAt(ToolClock::time_point at) {
    readAt(at);
    return at >= deadline_;
  }

  /// A wait begins after the last reading: when it must end at the latest,
  /// longestToolWait after that reading at most, and never past the
  /// deadline. The next reading is expected by then.
  ToolClock::time_point waitUntil() {
    ToolClock::time_point until = lastReading_ + longestToolWait;
    if (deadline_ < until) until = deadline_;
    if (backBy_ < until) backBy_ = until;
    return until;
  }

  /// Where the deadline stands now, moved by every late reading so far.
  ToolClock::time_point deadline() const { return deadline_; }

 private:
  void readAt(ToolClock::time_point at) {
    // A reading taken before the last one given (the clock read before a
    // look, given after a later wait was declared) tells nothing new.
    if (at < lastReading_) return;
    const ToolClock::duration late = at - backBy_;
    if (late > lateWakeAllowance) deadline_ += late;
    lastReading_ = at;
    backBy_ = at;
  }

  ToolClock::time_point deadline_;
  // The last reading given, and when the next one is due at the latest
  // (the end of a wait declared since, else that reading itself).
  ToolClock::time_point lastReading_;
  ToolClock::time_point backBy_;
};

}  // namespace orventa
