#include "app/time_limits.h"

namespace orventa {

// The test-only variant is built with ASSISTANT_TEST_TIME_LIMITS: a few
// seconds, so that tests of hanging tools end quickly, and a different limit
// for each kind of tool, so that they can tell which limit a tool ran with.
#ifdef ASSISTANT_TEST_TIME_LIMITS
constexpr std::chrono::milliseconds driverQueryTimeLimit = std::chrono::seconds(3);
constexpr std::chrono::milliseconds packageCheckTimeLimit = std::chrono::seconds(4);
constexpr std::chrono::milliseconds openerTimeLimit = std::chrono::seconds(5);
#else
constexpr std::chrono::milliseconds driverQueryTimeLimit = std::chrono::seconds(60);
constexpr std::chrono::milliseconds packageCheckTimeLimit = std::chrono::seconds(300);
constexpr std::chrono::milliseconds openerTimeLimit = std::chrono::seconds(60);
#endif

}  // namespace orventa
