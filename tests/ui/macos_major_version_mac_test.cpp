// The running macOS's major version, against the kernel's product version
// and release: only a Mac runs this (the Mac workflow's unit tests).

#include <gtest/gtest.h>
#include <sys/sysctl.h>

#include <cstdio>
#include <string>

#include "ui/os_version.h"

using namespace orventa;

namespace {

// What `sysctl NAME` prints for this process: kern.osproductversion
// ("15.2", or "10.16" in system version compatibility mode, as
// NSProcessInfo tells it), kern.osrelease (Darwin's "24.2.0", true in
// either mode).
std::string sysctlText(const char* name) {
  char text[64] = {};
  size_t size = sizeof text - 1;
  if (sysctlbyname(name, text, &size, nullptr, 0) != 0) return {};
  return text;
}

TEST(RunningMacOSMajorVersion, IsTheMajorOfTheKernelsProductVersion) {
  const std::string version = sysctlText("kern.osproductversion");
  const std::string release = sysctlText("kern.osrelease");
  int major = 0;
  int minor = 0;
  int darwin = 0;
  ASSERT_EQ(std::sscanf(version.c_str(), "%d.%d", &major, &minor), 2) << "kern.osproductversion: " << version;
  ASSERT_EQ(std::sscanf(release.c_str(), "%d", &darwin), 1) << "kern.osrelease: " << release;
  EXPECT_EQ(runningMacOSMajorVersion(), macOSMajorVersion(major, minor, darwin)) << version << ", Darwin " << release;
  if (major != 10) EXPECT_EQ(runningMacOSMajorVersion(), major) << "kern.osproductversion: " << version;
  // Whatever this process is told, the major is the one Darwin ships with.
  EXPECT_EQ(runningMacOSMajorVersion(), macOSMajorVersionOfDarwin(darwin)) << "kern.osrelease: " << release;
}

}  // namespace
