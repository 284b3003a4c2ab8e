#include "driver/build_constants.h"

namespace orventa {

// The test-only variant of the program is built with
// ASSISTANT_TEST_INSTALLER_SHA256 set to its fixture package's digest; the
// shipped program never is.
#ifdef ASSISTANT_TEST_INSTALLER_SHA256
constexpr std::string_view expectedInstallerSHA256 = ASSISTANT_TEST_INSTALLER_SHA256;
#else
// The build reads this value too (cmake/VendorPackage.cmake) and refuses a
// vendor package with another digest: keep it a quoted literal here.
constexpr std::string_view expectedInstallerSHA256 =
    "67583115ea31c2909d26fc67182e4f30d653701129a4a68856bc3cce0d4915a3";
#endif

static_assert(expectedInstallerSHA256.size() == 64);

// The test-only variant is also built with ASSISTANT_TEST_TIME_LIMITS: a few
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
