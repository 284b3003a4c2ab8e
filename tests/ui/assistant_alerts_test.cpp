// Where the alerts send the user to approve the driver, by macOS version.

#include <gtest/gtest.h>

#include "ui/assistant_alerts.h"

using namespace orventa;

namespace {

TEST(ApprovalPlace, NamesThePaneOfTheRunningMacOS) {
  const std::string_view oldPane = "System Preferences > Security & Privacy";
  const std::string_view settingsPane = "System Settings > Privacy & Security";
  const std::string_view extensionsPane = "System Settings > General > Login Items & Extensions > Driver Extensions";
  struct Case {
    const char* name;
    int version;
    std::string_view want;
  };
  const Case cases[] = {
      {"macOS 10, older than any the app runs on: the text as it always was", 10, settingsPane},
      {"macOS 11", 11, oldPane},
      {"macOS 12", 12, oldPane},
      {"macOS 13", 13, settingsPane},
      {"macOS 14", 14, settingsPane},
      {"macOS 15", 15, extensionsPane},
      {"macOS 26 as a build with an older SDK sees it", 16, extensionsPane},
      {"macOS 26", 26, extensionsPane},
      {"not macOS", 0, settingsPane},
  };
  for (const Case& c : cases) EXPECT_EQ(approvalPlace(c.version), c.want) << c.name;
}

}  // namespace
