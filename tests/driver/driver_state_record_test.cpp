// The record of a driver query: the state, the receipt, and of the listing
// only the driver's own line.

#include <gtest/gtest.h>

#include "driver/driver_state.h"

using namespace orventa;

namespace {

const std::string other = "*\t*\tABCDE12345\tcom.example.Other (2.0/2)\tcom.example.Other\t[activated enabled]";
const std::string enabledLine =
    "*\t*\t5JZGQTGU4W\tcn.wch.CH34xVCPDriver (1.0/1)\tcn.wch.CH34xVCPDriver\t[activated enabled]";
const std::string waitingLine =
    "*\t*\t5JZGQTGU4W\tcn.wch.CH34xVCPDriver (1.0/1)\tcn.wch.CH34xVCPDriver\t[activated waiting for user]";
const std::string quotedEnabled =
    "\"*\\t*\\t5JZGQTGU4W\\tcn.wch.CH34xVCPDriver (1.0/1)\\tcn.wch.CH34xVCPDriver\\t[activated enabled]\"";
const std::string quotedWaiting =
    "\"*\\t*\\t5JZGQTGU4W\\tcn.wch.CH34xVCPDriver (1.0/1)\\tcn.wch.CH34xVCPDriver\\t[activated waiting for user]\"";

TEST(DriverStateRecord, NamesTheStateTheReceiptAndOnlyTheDriversLine) {
  struct Case {
    const char* name;
    std::string listing;
    bool receipt;
    std::string want;
  };
  const Case cases[] = {
      {"enabled, other extensions left out", other + "\n" + enabledLine + "\n" + other + "\n", false,
       "driver state: enabled, no receipt, listing line " + quotedEnabled},
      // An older line in another state comes first; the enabled one decides.
      {"the enabled line, not an earlier one", waitingLine + "\n" + enabledLine + "\n", true,
       "driver state: enabled, receipt found, listing line " + quotedEnabled},
      {"waiting for approval", other + "\n" + waitingLine + "\n", true,
       "driver state: installedNotEnabled, receipt found, listing line " + quotedWaiting},
      {"only the receipt", other + "\n", true, "driver state: installedNotEnabled, receipt found, driver not listed"},
      {"nothing", "", false, "driver state: notInstalled, no receipt, driver not listed"},
      {"last line without a line feed", enabledLine, false,
       "driver state: enabled, no receipt, listing line " + quotedEnabled},
  };
  for (const Case& c : cases) {
    const DriverState state = classifyDriverState(c.listing, c.receipt);
    EXPECT_EQ(driverStateRecord(state, c.listing, c.receipt), c.want) << c.name;
  }
}

TEST(DriverStateRecord, TheQueryWritesItUnderState) {
  std::vector<std::pair<LogCategory, std::string>> records;
  const DriverState state = driverState(
      [](const std::string& path, const std::vector<std::string>&) {
        return path == "/usr/bin/systemextensionsctl" ? CommandResult{0, waitingLine + "\n"} : CommandResult{1, ""};
      },
      [&](LogCategory category, const std::string& line) { records.emplace_back(category, line); });
  EXPECT_EQ(state, DriverState::installedNotEnabled);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].first, LogCategory::state);
  EXPECT_EQ(records[0].second, "driver state: installedNotEnabled, no receipt, listing line " + quotedWaiting);
}

}  // namespace
