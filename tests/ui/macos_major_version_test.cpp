// The major version the program goes by, from what the system reports.

#include <gtest/gtest.h>

#include "ui/assistant_alerts.h"
#include "ui/os_version.h"

using namespace orventa;

namespace {

TEST(MacOSMajorVersion, TakesACompatibilityVersionsMajorFromDarwin) {
  struct Case {
    const char* name;
    int reportedMajor;
    int reportedMinor;
    int darwinMajor;
    int major;
  } cases[] = {
      {.name = "macOS 11 in compatibility mode", .reportedMajor = 10, .reportedMinor = 16, .darwinMajor = 20, .major = 11},
      {.name = "macOS 12 in compatibility mode", .reportedMajor = 10, .reportedMinor = 16, .darwinMajor = 21, .major = 12},
      {.name = "macOS 13 in compatibility mode", .reportedMajor = 10, .reportedMinor = 16, .darwinMajor = 22, .major = 13},
      {.name = "macOS 14 in compatibility mode", .reportedMajor = 10, .reportedMinor = 16, .darwinMajor = 23, .major = 14},
      {.name = "macOS 15 in compatibility mode", .reportedMajor = 10, .reportedMinor = 16, .darwinMajor = 24, .major = 15},
      {.name = "macOS 26 in compatibility mode", .reportedMajor = 10, .reportedMinor = 16, .darwinMajor = 25, .major = 26},
      {.name = "the release after 26", .reportedMajor = 10, .reportedMinor = 16, .darwinMajor = 26, .major = 27},
      {.name = "a later 10.x", .reportedMajor = 10, .reportedMinor = 17, .darwinMajor = 23, .major = 14},
      {.name = "Darwin not known", .reportedMajor = 10, .reportedMinor = 16, .darwinMajor = 0, .major = 11},
      {.name = "Darwin older than macOS 11's", .reportedMajor = 10, .reportedMinor = 16, .darwinMajor = 19, .major = 11},
      {.name = "macOS 10.15", .reportedMajor = 10, .reportedMinor = 15, .darwinMajor = 19, .major = 10},
      {.name = "macOS 11.0", .reportedMajor = 11, .reportedMinor = 0, .darwinMajor = 20, .major = 11},
      {.name = "macOS 15.2, Darwin not read", .reportedMajor = 15, .reportedMinor = 2, .darwinMajor = 0, .major = 15},
      {.name = "macOS 26.0", .reportedMajor = 26, .reportedMinor = 0, .darwinMajor = 25, .major = 26},
      {.name = "minor 16 of another major", .reportedMajor = 12, .reportedMinor = 16, .darwinMajor = 21, .major = 12},
      {.name = "not macOS", .reportedMajor = 0, .reportedMinor = 0, .darwinMajor = 0, .major = 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(macOSMajorVersion(c.reportedMajor, c.reportedMinor, c.darwinMajor), c.major) << c.name;
  }
}

TEST(MacOSMajorVersion, SendsACompatibilityVersionToSystemPreferences) {
  // macOS 12 reporting 10.16 is sent to System Preferences, macOS 14 to
  // System Settings, each as its own version would be.
  EXPECT_EQ(approvalPlaceKey(macOSMajorVersion(10, 16, 21)), approvalPlaceKey(12));
  EXPECT_EQ(approvalPlaceKey(macOSMajorVersion(10, 16, 23)), approvalPlaceKey(14));
  EXPECT_NE(approvalPlaceKey(macOSMajorVersion(10, 16, 23)), approvalPlaceKey(12));
}

}  // namespace
