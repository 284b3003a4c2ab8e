#pragma once
// The clock that a tool's time limit is measured on.

#include <chrono>

namespace orventa {

/// A monotonic clock that stands still while the machine sleeps:
/// CLOCK_UPTIME_RAW on a Mac (toolClockId, tool_clock_mac.h; there
/// std::chrono::steady_clock counts sleep,
/// and a check that a closed lid interrupted would find every tool past its
/// limit), CLOCK_MONOTONIC elsewhere. A std::chrono clock, so durations and
/// time points work as with any other.
struct ToolClock {
  using duration = std::chrono::nanoseconds;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = std::chrono::time_point<ToolClock>;
  static constexpr bool is_steady = true;
  static time_point now() noexcept;
};

}  // namespace orventa
