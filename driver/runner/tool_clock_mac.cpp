#include "driver/runner/tool_clock_mac.h"

#include "driver/runner/tool_clock.h"

namespace orventa {

ToolClock::time_point ToolClock::now() noexcept {
  timespec now{};
  ::clock_gettime(toolClockId, &now);
  return time_point(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
}

}  // namespace orventa
