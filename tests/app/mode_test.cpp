#include <gtest/gtest.h>

#include <sysexits.h>

#include <string>
#include <vector>

#include "app/mode.h"

using namespace orventa;

namespace {

RequestedMode chosen(std::vector<std::string> args) {
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  return requestedMode(static_cast<int>(argv.size()), argv.data());
}

TEST(ModeChoice, Table) {
  using enum RequestedMode;
  struct Case {
    const char* name;
    std::vector<std::string> args;
    RequestedMode mode;
  };
  const Case cases[] = {
      {"no arguments", {"DriverAssistant"}, normal},
      {"alone", {"DriverAssistant", "--self-check"}, selfCheck},
      {"first of several", {"DriverAssistant", "--self-check", "-x", "y"}, selfCheck},
      {"last of several", {"DriverAssistant", "-NSDocumentRevisionsDebugMode", "YES", "--self-check"}, selfCheck},
      {"twice", {"DriverAssistant", "--self-check", "--self-check"}, selfCheck},
      {"as argument zero", {"--self-check"}, selfCheck},
      {"beside --help", {"DriverAssistant", "--help", "--self-check"}, selfCheck},
      {"--help", {"DriverAssistant", "--help"}, help},
      {"--help among the system's arguments", {"DriverAssistant", "-psn_0_12345", "--help"}, help},
      // Mistyped options: a failure, never normal mode's status 0.
      {"without its dash", {"DriverAssistant", "--selfcheck"}, usageError},
      {"text after", {"DriverAssistant", "--self-check=1"}, usageError},
      {"underscore", {"DriverAssistant", "--self_check"}, usageError},
      {"trailing space", {"DriverAssistant", "--self-check "}, usageError},
      {"other letter case", {"DriverAssistant", "--Self-Check"}, usageError},
      {"a lone --", {"DriverAssistant", "--"}, usageError},
      {"--help=1", {"DriverAssistant", "--help=1"}, usageError},
      {"unknown beside --self-check", {"DriverAssistant", "--self-check", "--verbose"}, usageError},
      {"unknown before --self-check", {"DriverAssistant", "--verbose", "--self-check"}, usageError},
      {"unknown beside --help", {"DriverAssistant", "--help", "--version"}, usageError},
      {"non-UTF-8 after two dashes", {"DriverAssistant", "--self-check\xff"}, usageError},
      // The application's own, as the system passes them.
      {"old Finder's process serial number", {"DriverAssistant", "-psn_0_12345"}, normal},
      {"Xcode's defaults", {"DriverAssistant", "-NSDocumentRevisionsDebugMode", "YES"}, normal},
      {"languages", {"DriverAssistant", "-AppleLanguages", "(en, de)"}, normal},
      {"single dash", {"DriverAssistant", "-self-check"}, normal},
      {"text before", {"DriverAssistant", "x--self-check"}, normal},
      {"a lone dash", {"DriverAssistant", "-"}, normal},
      {"a plain word", {"DriverAssistant", "self-check"}, normal},
      {"empty arguments", {"", "", ""}, normal},
      {"non-UTF-8 bytes", {"DriverAssistant", "\xff\xfe"}, normal},
      {"argument zero with two dashes", {"--weird-name"}, normal},
      {"very long argument zero", {std::string(1 << 20, '-'), "--self-check"}, selfCheck},
      {"very long unknown option", {"DriverAssistant", std::string(1 << 20, '-')}, usageError},
  };
  for (const Case& c : cases) EXPECT_EQ(chosen(c.args), c.mode) << c.name;
}

TEST(ModeChoice, EmptyArgumentListAndNullEntry) {
  EXPECT_EQ(requestedMode(0, nullptr), RequestedMode::normal);
  const char* argv[] = {"DriverAssistant", nullptr};
  EXPECT_EQ(requestedMode(2, argv), RequestedMode::normal);
}

TEST(ModeChoice, TheUsageLineNamesTheOneOption) {
  EXPECT_NE(usageLine.find("--self-check"), std::string_view::npos);
  EXPECT_EQ(usageLine.find('\n'), std::string_view::npos);
  EXPECT_EQ(usageErrorStatus, EX_USAGE);
}

}  // namespace
