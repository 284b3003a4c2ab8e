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
      {"text before", {"DriverAssistant", "x--self-check"}, normal},
      {"a lone dash", {"DriverAssistant", "-"}, normal},
      {"a single-dash word of the application's", {"DriverAssistant", "-selfish"}, normal},
      {"a look-alike dash inside a word", {"DriverAssistant", "self\xE2\x80\x93" "checking"}, normal},
      // The driver state, chosen like the self-check.
      {"--driver-state", {"DriverAssistant", "--driver-state"}, driverState},
      {"--driver-state among the system's arguments", {"DriverAssistant", "-psn_0_1", "--driver-state"}, driverState},
      {"--driver-state as argument zero", {"--driver-state"}, driverState},
      {"--driver-state beside --help", {"DriverAssistant", "--driver-state", "--help"}, driverState},
      {"both modes", {"DriverAssistant", "--self-check", "--driver-state"}, usageError},
      {"both modes, one as argument zero", {"--driver-state", "--self-check"}, usageError},
      {"--driver-state misspelt", {"DriverAssistant", "--driverstate"}, usageError},
      // Look-alikes of an option, as pasted from a web page or typed by hand:
      // a failure, never normal mode's status 0.
      {"en dash", {"DriverAssistant", "\xE2\x80\x93self-check"}, usageError},
      {"em dash", {"DriverAssistant", "\xE2\x80\x94self-check"}, usageError},
      {"two minus signs", {"DriverAssistant", "\xE2\x88\x92\xE2\x88\x92self-check"}, usageError},
      {"hyphens", {"DriverAssistant", "\xE2\x80\x90\xE2\x80\x90self-check"}, usageError},
      {"full-width hyphen-minus", {"DriverAssistant", "\xEF\xBC\x8D\xEF\xBC\x8D" "driver-state"}, usageError},
      {"single dash", {"DriverAssistant", "-self-check"}, usageError},
      {"single dash, driver state", {"DriverAssistant", "-driver-state"}, usageError},
      {"single dash, help", {"DriverAssistant", "-help"}, usageError},
      {"leading space", {"DriverAssistant", " --self-check"}, usageError},
      {"no-break space and tab around", {"DriverAssistant", "\xC2\xA0-self-check\t"}, usageError},
      {"a plain word", {"DriverAssistant", "self-check"}, usageError},
      {"capitals and an underscore", {"DriverAssistant", "-SELF_CHECK"}, usageError},
      {"words run together", {"DriverAssistant", "-selfcheck"}, usageError},
      {"an en dash between the words", {"DriverAssistant", "-driver\xE2\x80\x93state"}, usageError},
      {"any argument opened by a look-alike", {"DriverAssistant", "\xE2\x80\x94verbose"}, usageError},
      {"a look-alike after white space", {"DriverAssistant", " \xE2\x80\x93x"}, usageError},
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

TEST(ModeChoice, TheUsageLineNamesEveryOption) {
  for (std::string_view option : {selfCheckOption, driverStateOption, helpOption})
    EXPECT_NE(usageLine.find(option), std::string_view::npos) << option;
  EXPECT_EQ(usageLine.find('\n'), std::string_view::npos);
  EXPECT_EQ(usageErrorStatus, EX_USAGE);
}

}  // namespace
