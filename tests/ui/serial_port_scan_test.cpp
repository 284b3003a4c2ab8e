#include <gtest/gtest.h>

#include <system_error>

#include "ui/serial_port_scan.h"

using namespace orventa;

namespace {

DirectoryLister listing(std::vector<std::string> names) {
  return [names](const std::string&) { return names; };
}

TEST(SerialPortScan, CountsOnlyNamesBeginningWithTheExactPrefix) {
  struct Case {
    const char* name;
    std::vector<std::string> devices;
    bool present;
  } cases[] = {
      {"prefix and digits", {"tty.Bluetooth", "cu.wchusbserial1410"}, true},
      {"the bare prefix", {"cu.wchusbserial"}, true},
      {"first match among many", {"null", "cu.wchusbserialA", "cu.wchusbserialB"}, true},
      {"the prefix elsewhere in the name", {"tty.wchusbserial1410", "xcu.wchusbserial1410"}, false},
      {"other letter case", {"cu.WCHUSBSERIAL1410", "Cu.wchusbserial1410"}, false},
      {"a shorter name", {"cu.wchusbseria"}, false},
      {"an empty directory", {}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(wchSerialPortPresent(listing(c.devices)), c.present) << c.name;
}

TEST(SerialPortScan, ListsDevAndTreatsAFailedListingAsEmpty) {
  std::string asked;
  EXPECT_FALSE(wchSerialPortPresent([&](const std::string& path) -> std::vector<std::string> {
    asked = path;
    throw std::system_error(EACCES, std::system_category(), path);
  }));
  EXPECT_EQ(asked, "/dev");
}

}  // namespace
