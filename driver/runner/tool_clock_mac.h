#pragma once
// The clock ToolClock reads on a Mac.

#include <time.h>

namespace orventa {

/// CLOCK_UPTIME_RAW: it stands still while the Mac sleeps. The Mac's
/// CLOCK_MONOTONIC (and std::chrono::steady_clock) count sleep, so a check
/// that a closed lid interrupted would find every tool past its limit.
/// Named, so that a test can see which clock this is: readings alone cannot
/// tell the two apart on a Mac that has not slept.
inline constexpr clockid_t toolClockId = CLOCK_UPTIME_RAW;

}  // namespace orventa
