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
      {"after a defaults pair", {"DriverAssistant", "-x", "y", "--self-check"}, selfCheck},
      {"last of several", {"DriverAssistant", "-NSDocumentRevisionsDebugMode", "YES", "--self-check"}, selfCheck},
      {"twice", {"DriverAssistant", "--self-check", "--self-check"}, selfCheck},
      {"as argument zero", {"--self-check"}, selfCheck},
      {"beside --help", {"DriverAssistant", "--help", "--self-check"}, selfCheck},
      {"--help", {"DriverAssistant", "--help"}, help},
      {"--help among the system's arguments", {"DriverAssistant", "-psn_0_12345", "--help"}, help},
      {"-h", {"DriverAssistant", "-h"}, help},
      {"-?", {"DriverAssistant", "-?"}, help},
      {"-h beside --driver-state", {"DriverAssistant", "-h", "--driver-state"}, driverState},
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
      {"a defaults pair", {"DriverAssistant", "-selfish", "YES"}, normal},
      {"a defaults pair with dots, digits and underscores", {"DriverAssistant", "-com.example.Key_2", "1"}, normal},
      {"a value that looks like anything", {"DriverAssistant", "-Key", "-x", "-Other", "\xff"}, normal},
      {"a value that is another name", {"DriverAssistant", "-A", "-B"}, normal},
      // Anything the system does not pass an application: a usage error.
      {"text before", {"DriverAssistant", "x--self-check"}, usageError},
      {"a lone dash", {"DriverAssistant", "-"}, usageError},
      {"a dangling defaults name", {"DriverAssistant", "-selfish"}, usageError},
      {"a dangling name after a pair", {"DriverAssistant", "-A", "1", "-B"}, usageError},
      {"a name whose value is an option", {"DriverAssistant", "-verbose", "--self-check"}, usageError},
      {"a name whose value is a mistyped option", {"DriverAssistant", "-Key", "\xE2\x80\x94self-check"}, usageError},
      {"a name that starts with a digit", {"DriverAssistant", "-1x", "y"}, usageError},
      {"a name with a dash", {"DriverAssistant", "-self-checking", "y"}, usageError},
      {"a look-alike dash inside a word", {"DriverAssistant", "self\xE2\x80\x93" "checking"}, usageError},
      {"a document", {"DriverAssistant", "/Users/me/file.txt"}, usageError},
      {"smart quotes around", {"DriverAssistant", "\xE2\x80\x9C--self-check\xE2\x80\x9D"}, usageError},
      {"low and high quotes", {"DriverAssistant", "\xE2\x80\x9E--self-check\xE2\x80\x9C"}, usageError},
      {"guillemets", {"DriverAssistant", "\xC2\xAB--self-check\xC2\xBB"}, usageError},
      {"literal single quotes", {"DriverAssistant", "'--self-check'"}, usageError},
      {"a soft hyphen in front", {"DriverAssistant", "\xC2\xAD--self-check"}, usageError},
      {"a word joiner in front", {"DriverAssistant", "\xE2\x81\xA0--self-check"}, usageError},
      {"a zero-width non-joiner in front", {"DriverAssistant", "\xE2\x80\x8C--driver-state"}, usageError},
      {"two-em dash", {"DriverAssistant", "\xE2\xB8\xBAself-check"}, usageError},
      {"Japanese long vowel mark", {"DriverAssistant", "\xE3\x83\xBC\xE3\x83\xBCself-check"}, usageError},
      {"heavy minus", {"DriverAssistant", "\xE2\x9E\x96self-check"}, usageError},
      {"superscript minus", {"DriverAssistant", "\xE2\x81\xBBself-check"}, usageError},
      {"cp1252 en dash byte", {"DriverAssistant", "\x96" "self-check"}, usageError},
      {"Latin-1 soft hyphen byte", {"DriverAssistant", "\xAD\xAD" "driver-state"}, usageError},
      {"a slash", {"DriverAssistant", "/self-check"}, usageError},
      {"a trailing full stop", {"DriverAssistant", "-self-check."}, usageError},
      {"a value after an equals sign", {"DriverAssistant", "-driver-state=1"}, usageError},
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
      {"empty arguments", {"", "", ""}, usageError},
      {"an empty argument zero", {""}, normal},
      {"non-UTF-8 bytes", {"DriverAssistant", "\xff\xfe"}, usageError},
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
  // The help: the usage line, then a line per option, each asking for it.
  EXPECT_TRUE(helpText.starts_with(std::string(usageLine) + "\n"));
  EXPECT_TRUE(helpText.ends_with("\n"));
  for (std::string_view option : {selfCheckOption, driverStateOption})
    EXPECT_NE(helpText.find("\n  " + std::string(option) + " "), std::string_view::npos) << option;
  for (std::string_view option : helpOptions) {
    EXPECT_NE(helpText.find(option, usageLine.size()), std::string_view::npos) << option;
    const char* argv[] = {"DriverAssistant", option.data()};
    EXPECT_EQ(requestedMode(2, argv), RequestedMode::help) << option;
  }
  EXPECT_EQ(usageLine.find('\n'), std::string_view::npos);
  EXPECT_EQ(usageErrorStatus, EX_USAGE);
}

}  // namespace
