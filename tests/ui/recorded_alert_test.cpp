// The record of each alert: its title and the answer, told apart from the
// end of the terminal's input; the answer itself passes on unchanged.

#include <gtest/gtest.h>

#include "ui/recorded_alert.h"

using namespace orventa;

namespace {

TEST(LoggedPresenter, RecordsTheTitleAndTheAnswer) {
  struct Case {
    const char* name;
    AlertResponse response;
    bool endOfInput = false;
    std::string want;
  };
  const Case cases[] = {
      {.name = "first button", .response = 1000, .want = "alert \"Driver Required\": \"Install Driver\""},
      {.name = "second button", .response = 1001, .want = "alert \"Driver Required\": \"Cancel\""},
      {.name = "end of input",
       .response = 1001,
       .endOfInput = true,
       .want = "alert \"Driver Required\": end of input, \"Cancel\""},
      {.name = "a response that is no button",
       .response = 1002,
       .want = "alert \"Driver Required\": response 1002"},
      {.name = "below the first button", .response = -1000, .want = "alert \"Driver Required\": response -1000"},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<LogCategory, std::string>> records;
    const AlertPresenter presenter = recordingPresenter(
        [&](const std::string&, const std::string&, const std::vector<std::string>&, AlertStyle) {
          return c.response;
        },
        [&](LogCategory category, const std::string& line) { records.emplace_back(category, line); },
        [&] { return c.endOfInput; });
    EXPECT_EQ(presenter("Driver Required", "Environment: x\n\nInstall it now?", {"Install Driver", "Cancel"},
                        AlertStyle::warning),
              c.response)
        << c.name;
    ASSERT_EQ(records.size(), 1u) << c.name;
    EXPECT_EQ(records[0].first, LogCategory::flow) << c.name;
    EXPECT_EQ(records[0].second, c.want) << c.name;
  }
}

TEST(LoggedPresenter, PassesTheAlertOnUnchangedAndSurvivesAFailingLog) {
  std::string seen;
  const AlertPresenter presenter = recordingPresenter(
      [&](const std::string& title, const std::string& message, const std::vector<std::string>& buttons,
          AlertStyle style) {
        seen = title + "|" + message + "|" + buttons.at(0) + "|" + std::to_string(static_cast<int>(style));
        return AlertResponse{1000};
      },
      [](LogCategory, const std::string&) { throw std::runtime_error("no log"); });
  EXPECT_EQ(presenter("Unable to Continue", "why", {"OK"}, AlertStyle::critical), 1000);
  EXPECT_EQ(seen, "Unable to Continue|why|OK|2");
}

}  // namespace
