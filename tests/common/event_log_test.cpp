// The record's building blocks: quoting keeps every record one readable
// line, and a failing log never reaches the caller.

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "common/event_log.h"

using namespace orventa;

namespace {

TEST(QuotedForLog, KeepsOneLineAndValidText) {
  struct Case {
    const char* name;
    std::string text;
    std::size_t limit;
    std::string want;
  };
  const Case cases[] = {
      {"plain text with spaces", "/Applications/Driver Assistant.app", 512, "\"/Applications/Driver Assistant.app\""},
      {"empty", "", 512, "\"\""},
      {"quote and backslash escaped", "say \"a\\b\"", 512, "\"say \\\"a\\\\b\\\"\""},
      {"line breaks and tabs", "a\nb\r\tc", 512, "\"a\\nb\\r\\tc\""},
      {"other control characters", std::string("\x01x\x1f\x7f", 4), 512, "\"\\x01x\\x1F\\x7F\""},
      {"a NUL inside", std::string("a\0b", 3), 512, "\"a\\x00b\""},
      {"non-ASCII kept", "Ärger €", 512, "\"Ärger €\""},
      {"ill-formed UTF-8 repaired", "a\xff" "b", 512, "\"a\xEF\xBF\xBD" "b\""},
      {"cut at the limit", "abcdef", 4, "\"abcd\"..."},
      {"exactly the limit is whole", "abcd", 4, "\"abcd\""},
      // "€" is three bytes: a cut inside it backs up to its start.
      {"cut backs up to a character boundary", "ab€", 4, "\"ab\"..."},
  };
  for (const Case& c : cases) EXPECT_EQ(quotedForLog(c.text, c.limit), c.want) << c.name;
}

TEST(LogEvent, HandsTheLineOnAndSwallowsFailures) {
  std::vector<std::string> lines;
  logEvent([&](LogCategory category, const std::string& line) {
    lines.push_back(std::string(logCategoryName(category)) + ": " + line);
  }, LogCategory::package, "digest: matches");
  EXPECT_EQ(lines, std::vector<std::string>{"package: digest: matches"});

  // An empty log and a log that throws are both silent.
  EXPECT_NO_THROW(logEvent(EventLog{}, LogCategory::app, "x"));
  EXPECT_NO_THROW(logEvent([](LogCategory, const std::string&) { throw std::runtime_error("log is full"); },
                           LogCategory::app, "x"));
}

TEST(LogCategoryName, OneNamePerSubsystem) {
  EXPECT_EQ(logCategoryName(LogCategory::state), "state");
  EXPECT_EQ(logCategoryName(LogCategory::package), "package");
  EXPECT_EQ(logCategoryName(LogCategory::flow), "flow");
  EXPECT_EQ(logCategoryName(LogCategory::app), "app");
}

}  // namespace
