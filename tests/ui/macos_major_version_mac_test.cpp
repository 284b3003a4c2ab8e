// The running macOS's major version, against the kernel's product version:
// only a Mac runs this (the Mac workflow's unit tests).

#include <gtest/gtest.h>
#include <sys/sysctl.h>

#include <cstdio>
#include <string>

#include "ui/os_version.h"

using namespace orventa;

namespace {

// What `sysctl kern.osproductversion` prints for this process ("15.2"). A
// process in system version compatibility mode reads "10.16" here too, as
// NSProcessInfo tells it, so the comparison holds in either mode.
std::string productVersion() {
  char text[64] = {};
  size_t size = sizeof text - 1;
  if (sysctlbyname("kern.osproductversion", text, &size, nullptr, 0) != 0) return {};
  return text;
}

TEST(RunningMacOSMajorVersion, IsTheMajorOfTheKernelsProductVersion) {
  const std::string version = productVersion();
  int major = 0;
  int minor = 0;
  ASSERT_EQ(std::sscanf(version.c_str(), "%d.%d", &major, &minor), 2) << "kern.osproductversion: " << version;
  EXPECT_EQ(runningMacOSMajorVersion(), macOSMajorVersion(major, minor)) << "kern.osproductversion: " << version;
  if (major != 10) EXPECT_EQ(runningMacOSMajorVersion(), major) << "kern.osproductversion: " << version;
}

}  // namespace
