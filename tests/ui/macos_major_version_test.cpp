// The major version the program goes by, from what the system reports.

#include <gtest/gtest.h>

#include "ui/assistant_alerts.h"
#include "ui/os_version.h"

using namespace orventa;

namespace {

TEST(MacOSMajorVersion, CountsCompatibilityVersionsAsEleven) {
  struct Case {
    const char* name;
    int reportedMajor;
    int reportedMinor;
    int major;
  } cases[] = {
      {.name = "macOS 11 or later in compatibility mode", .reportedMajor = 10, .reportedMinor = 16, .major = 11},
      {.name = "a later 10.x", .reportedMajor = 10, .reportedMinor = 17, .major = 11},
      {.name = "macOS 10.15", .reportedMajor = 10, .reportedMinor = 15, .major = 10},
      {.name = "macOS 11.0", .reportedMajor = 11, .reportedMinor = 0, .major = 11},
      {.name = "macOS 15.2", .reportedMajor = 15, .reportedMinor = 2, .major = 15},
      {.name = "macOS 26.0", .reportedMajor = 26, .reportedMinor = 0, .major = 26},
      {.name = "minor 16 of another major", .reportedMajor = 12, .reportedMinor = 16, .major = 12},
      {.name = "not macOS", .reportedMajor = 0, .reportedMinor = 0, .major = 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(macOSMajorVersion(c.reportedMajor, c.reportedMinor), c.major) << c.name;
  }
}

TEST(MacOSMajorVersion, SendsACompatibilityVersionToSystemPreferences) {
  // macOS 11 and 12 are the Macs that report 10.16 the most often: their
  // approval place is Security & Privacy in System Preferences.
  EXPECT_EQ(approvalPlace(macOSMajorVersion(10, 16)), approvalPlace(11));
  EXPECT_EQ(approvalPlace(macOSMajorVersion(10, 16)), "System Preferences > Security & Privacy");
}

}  // namespace
