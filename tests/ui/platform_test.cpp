// Opening the package through xdg-open, with any tool runner.

#include <gtest/gtest.h>

#include <system_error>

#include "driver/runner/run_limit_error.h"
#include "ui/open_package.h"

using namespace orventa;

namespace {

TEST(OpenWithXdgOpen, IsYesExactlyWhenXdgOpenStartsAndExits0) {
  const std::string path = "/tmp/a folder/CH34xVCPDriver.pkg";
  struct Case {
    const char* name;
    bool starts = true;
    bool timesOut = false;
    int status = 0;
    bool opened;
  } cases[] = {
      {.name = "exit 0", .status = 0, .opened = true},
      {.name = "exit 3", .status = 3, .opened = false},
      {.name = "killed by a signal", .status = -9, .opened = false},
      {.name = "cannot start", .starts = false, .opened = false},
      {.name = "does not finish in time", .timesOut = true, .opened = false},
  };
  for (const auto& c : cases) {
    std::vector<std::string> calls;
    const bool opened = openWithXdgOpen(path, [&](const std::string& tool, const std::vector<std::string>& args) {
      calls.push_back(tool);
      calls.insert(calls.end(), args.begin(), args.end());
      if (!c.starts) throw std::system_error(ENOENT, std::system_category(), tool);
      if (c.timesOut) throw RunLimitError::timeLimitPassed(tool, std::chrono::seconds(60));
      return CommandResult{c.status, "some output"};
    });
    EXPECT_EQ(opened, c.opened) << c.name;
    EXPECT_EQ(calls, (std::vector<std::string>{"/usr/bin/xdg-open", path})) << c.name;
  }
}

}  // namespace
