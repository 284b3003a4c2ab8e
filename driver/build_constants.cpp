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

}  // namespace orventa
