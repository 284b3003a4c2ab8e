#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/mode.h"

namespace {

bool selects(std::vector<std::string> args) {
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  return selfCheckRequested(static_cast<int>(argv.size()), argv.data());
}

TEST(ModeChoice, Table) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    bool selfCheck;
  };
  const Case cases[] = {
      {"no arguments", {"DriverAssistant"}, false},
      {"alone", {"DriverAssistant", "--self-check"}, true},
      {"first of several", {"DriverAssistant", "--self-check", "-x", "y"}, true},
      {"last of several", {"DriverAssistant", "-NSDocumentRevisionsDebugMode", "YES", "--self-check"}, true},
      {"twice", {"DriverAssistant", "--self-check", "--self-check"}, true},
      {"as argument zero", {"--self-check"}, true},
      {"text after", {"DriverAssistant", "--self-check=1"}, false},
      {"text before", {"DriverAssistant", "x--self-check"}, false},
      {"trailing space", {"DriverAssistant", "--self-check "}, false},
      {"other letter case", {"DriverAssistant", "--Self-Check"}, false},
      {"single dash", {"DriverAssistant", "-self-check"}, false},
      {"empty arguments", {"", "", ""}, false},
      {"non-UTF-8 bytes", {"\xff\xfe", "--self-check\xff"}, false},
      {"very long argument", {std::string(1 << 20, '-'), "--self-check"}, true},
  };
  for (const Case& c : cases) EXPECT_EQ(selects(c.args), c.selfCheck) << c.name;
}

TEST(ModeChoice, EmptyArgumentListAndNullEntry) {
  EXPECT_FALSE(selfCheckRequested(0, nullptr));
  const char* argv[] = {nullptr};
  EXPECT_FALSE(selfCheckRequested(1, argv));
}

}  // namespace
