// The tool clock on a Mac: the clock that stands still while the Mac sleeps,
// the one the runner's time limits are measured on.

#include <time.h>

#include <chrono>

#include <gtest/gtest.h>

#include "driver/runner/tool_clock.h"
#include "driver/runner/tool_clock_mac.h"

using namespace orventa;

namespace {

ToolClock::time_point uptime() {
  timespec now{};
  ::clock_gettime(CLOCK_UPTIME_RAW, &now);
  return ToolClock::time_point(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
}

TEST(ToolClockOnAMac, IsTheUptimeClockThatStandsStillInSleep) {
  // The Mac's CLOCK_MONOTONIC counts sleep: a lid closed during a check
  // would turn a tool into one that did not finish.
  EXPECT_EQ(toolClockId, CLOCK_UPTIME_RAW);
  // And the clock read is that one: between two readings of the uptime
  // clock.
  const ToolClock::time_point before = uptime();
  const ToolClock::time_point now = ToolClock::now();
  const ToolClock::time_point after = uptime();
  EXPECT_LE(before, now);
  EXPECT_LE(now, after);
}

}  // namespace
