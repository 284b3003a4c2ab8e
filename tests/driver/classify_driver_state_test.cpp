#include <gtest/gtest.h>

#include <string>

#include "driver/build_constants.h"
#include "driver/driver_state.h"

using namespace orventa;

namespace {

// Listings shaped like `systemextensionsctl list` prints them.
const std::string header =
    "3 extension(s)\n"
    "--- com.apple.system_extension.driver_extension\n"
    "enabled\tactive\tteamID\tbundleID (version)\tname\t[state]\n";
const std::string wchEnabledRow =
    "*\t*\t5JZGQTGU4W\tcn.wch.CH34xVCPDriver (1.0/1)\tcn.wch.CH34xVCPDriver\t[activated enabled]\n";
const std::string wchWaitingRow =
    "\t\t5JZGQTGU4W\tcn.wch.CH34xVCPDriver (1.0/1)\tcn.wch.CH34xVCPDriver\t[activated waiting for user]\n";
const std::string otherEnabledRow =
    "*\t*\tABCDE12345\tcom.example.OtherDriver (2.1/7)\tOtherDriver\t[activated enabled]\n";

struct Case {
  const char* name;
  std::string listing;
  bool receipt;
  DriverState want;
};

TEST(ClassifyDriverState, Table) {
  const Case cases[] = {
      {"sample line", "cn.wch.CH34xVCPDriver (1.0/1) [activated enabled]", false, DriverState::enabled},
      {"sample line with receipt", "cn.wch.CH34xVCPDriver (1.0/1) [activated enabled]", true, DriverState::enabled},
      {"empty with receipt", "", true, DriverState::installedNotEnabled},
      {"empty without receipt", "", false, DriverState::notInstalled},
      {"real listing, driver enabled among others", header + otherEnabledRow + wchEnabledRow, false, DriverState::enabled},
      {"real listing, driver enabled first", header + wchEnabledRow + otherEnabledRow, true, DriverState::enabled},
      {"driver waiting while another extension is enabled", header + wchWaitingRow + otherEnabledRow, false,
       DriverState::installedNotEnabled},
      {"same, marker line before the driver's", header + otherEnabledRow + wchWaitingRow, true,
       DriverState::installedNotEnabled},
      {"driver waiting for user", "cn.wch.CH34xVCPDriver (1.0/1) [activated waiting for user]", false,
       DriverState::installedNotEnabled},
      {"driver terminated, receipt", "cn.wch.CH34xVCPDriver (1.0/1) [terminated waiting to uninstall on reboot]", true,
       DriverState::installedNotEnabled},
      {"marker only for another extension", header + otherEnabledRow, false, DriverState::notInstalled},
      {"marker only for another extension, receipt", header + otherEnabledRow, true, DriverState::installedNotEnabled},
      {"identifier in other letter case", "cn.wch.ch34xvcpdriver (1.0/1) [activated enabled]", false,
       DriverState::notInstalled},
      {"marker in other letter case", "cn.wch.CH34xVCPDriver (1.0/1) [Activated Enabled]", false,
       DriverState::installedNotEnabled},
      {"longer identifier counts", "cn.wch.CH34xVCPDriverV2 (1.0/1) [activated enabled]", false, DriverState::enabled},
      {"marker before identifier on one line", "[activated enabled] cn.wch.CH34xVCPDriver", false, DriverState::enabled},
      {"carriage return line ends", "x\r\ncn.wch.CH34xVCPDriver [activated enabled]\r\n", false, DriverState::enabled},
      {"no final line feed", header + wchEnabledRow.substr(0, wchEnabledRow.size() - 1), false, DriverState::enabled},
      {"identifier split by a line feed", "cn.wch.CH34x\nVCPDriver [activated enabled]", false,
       DriverState::notInstalled},
      {"NUL bytes around the line", std::string("\0\0", 2) + wchEnabledRow + std::string("\0", 1), false,
       DriverState::enabled},
  };
  for (const Case& c : cases)
    EXPECT_EQ(classifyDriverState(c.listing, c.receipt), c.want) << c.name;
}

TEST(ClassifyDriverState, LargeListingWithTheDriverLast) {
  std::string listing = header;
  while (listing.size() < (8u << 20)) listing += otherEnabledRow;
  EXPECT_EQ(classifyDriverState(listing, false), DriverState::notInstalled);
  listing += wchEnabledRow;
  EXPECT_EQ(classifyDriverState(listing, false), DriverState::enabled);
}

TEST(ClassifyDriverState, ArbitraryBytesNeverCrash) {
  std::string bytes;
  for (int i = 0; i < 1 << 16; ++i) bytes += static_cast<char>((i * 131) & 0xff);
  EXPECT_EQ(classifyDriverState(bytes, false), DriverState::notInstalled);
  std::string oneLongLine(1 << 20, 'x');
  for (int i = 0; i < 1000; ++i) oneLongLine += driverBundleID;
  EXPECT_EQ(classifyDriverState(oneLongLine, false), DriverState::installedNotEnabled);
}

TEST(BuildConstants, Values) {
  EXPECT_EQ(driverBundleID, "cn.wch.CH34xVCPDriver");
  EXPECT_EQ(packageReceiptID, "cn.wch.pkg.CH34xVCPDriver");
  EXPECT_EQ(expectedInstallerSHA256, "67583115ea31c2909d26fc67182e4f30d653701129a4a68856bc3cce0d4915a3");
  EXPECT_EQ(expectedSigner.size(), 79u);
  EXPECT_EQ(expectedSigner,
            "Developer ID Installer: Nanjing Qinheng Microelectronics Co., Ltd. (5JZGQTGU4W)");
}

TEST(DriverStateEnum, OrderOfValues) {
  EXPECT_EQ(static_cast<int>(DriverState::enabled), 0);
  EXPECT_EQ(static_cast<int>(DriverState::installedNotEnabled), 1);
  EXPECT_EQ(static_cast<int>(DriverState::notInstalled), 2);
}

}  // namespace
