// The record of each tool run: how it ended, how long it took and how much
// it wrote, never what; and the run's result or failure passes on as is.

#include <chrono>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>

#include <gtest/gtest.h>

#include "driver/runner/tool_run_record.h"

using namespace orventa;

namespace {

struct Recorded {
  LogCategory category;
  std::string line;
};

// Where the record's trailing ", N ms" begins and its N; nothing when the
// record does not end that way.
std::optional<std::pair<std::size_t, int>> durationAtEnd(const std::string& line) {
  const std::string suffix = " ms";
  if (line.size() < suffix.size() || line.compare(line.size() - suffix.size(), suffix.size(), suffix) != 0)
    return std::nullopt;
  const std::size_t digitsEnd = line.size() - suffix.size();
  std::size_t digitsBegin = digitsEnd;
  while (digitsBegin > 0 && line[digitsBegin - 1] >= '0' && line[digitsBegin - 1] <= '9') --digitsBegin;
  if (digitsBegin == digitsEnd || digitsBegin < 2 || line.compare(digitsBegin - 2, 2, ", ") != 0)
    return std::nullopt;
  return std::make_pair(digitsBegin - 2, std::stoi(line.substr(digitsBegin, digitsEnd - digitsBegin)));
}

// The record with its trailing ", N ms" taken off; empty when it has none.
std::string withoutDuration(const std::string& line) {
  const auto duration = durationAtEnd(line);
  return duration ? line.substr(0, duration->first) : std::string();
}

struct RecordingLog {
  std::vector<Recorded> records;
  EventLog log() {
    return [this](LogCategory category, const std::string& line) { records.push_back({category, line}); };
  }
};

TEST(LoggedRunner, RecordsHowEachRunEnded) {
  struct Case {
    const char* name;
    CommandResult result;
    std::string want;  // the record without its duration
  };
  const Case cases[] = {
      {"exit 0", {0, "listing\n", 8}, "run \"/usr/bin/tool\" \"a b\" \"\": exit status 0, 8 bytes of output"},
      {"exit 3", {3, "", 0}, "run \"/usr/bin/tool\" \"a b\" \"\": exit status 3, 0 bytes of output"},
      {"signal", {-9, "partial", 7}, "run \"/usr/bin/tool\" \"a b\" \"\": ended by signal 9, 7 bytes of output"},
      {"status discarded by the system", {unknownTerminationStatus, "", 0},
       "run \"/usr/bin/tool\" \"a b\" \"\": status unknown, 0 bytes of output"},
      // Two ill-formed bytes became two U+FFFD: the tool wrote 2 bytes.
      {"repaired output", {0, "\xEF\xBF\xBD\xEF\xBF\xBD", 2},
       "run \"/usr/bin/tool\" \"a b\" \"\": exit status 0, 2 bytes of output"},
  };
  for (const Case& c : cases) {
    RecordingLog recording;
    const ToolRunner runner = recordingRunner([&](const std::string&, const std::vector<std::string>&) {
      return c.result;
    }, recording.log(), LogCategory::state);
    const CommandResult got = runner("/usr/bin/tool", {"a b", ""});
    EXPECT_EQ(got.status, c.result.status) << c.name;
    EXPECT_EQ(got.output, c.result.output) << c.name;
    ASSERT_EQ(recording.records.size(), 1u) << c.name;
    EXPECT_EQ(recording.records[0].category, LogCategory::state) << c.name;
    EXPECT_EQ(withoutDuration(recording.records[0].line), c.want) << c.name << ": " << recording.records[0].line;
  }
}

TEST(LoggedRunner, NeverRecordsTheOutputItself) {
  RecordingLog recording;
  const ToolRunner runner = recordingRunner([](const std::string&, const std::vector<std::string>&) {
    return CommandResult{0, "secret serial number 12345\n"};
  }, recording.log(), LogCategory::package);
  runner("/usr/sbin/pkgutil", {"--check-signature", "/p.pkg"});
  ASSERT_EQ(recording.records.size(), 1u);
  EXPECT_EQ(recording.records[0].line.find("secret"), std::string::npos) << recording.records[0].line;
}

TEST(LoggedRunner, RecordsAFailureAndPassesItOnUnchanged) {
  RecordingLog recording;
  const ToolRunner runner = recordingRunner([](const std::string& path, const std::vector<std::string>&)
                                                -> CommandResult {
    // A text from outside may hold a line feed; the record stays one line.
    throw std::system_error(ENOENT, std::system_category(), path + "\nsecond line");
  }, recording.log(), LogCategory::package);
  try {
    runner("/usr/sbin/spctl", {"-a"});
    FAIL() << "the start failure did not pass on";
  } catch (const std::system_error& failure) {
    EXPECT_EQ(failure.code(), std::error_code(ENOENT, std::system_category()));
  }
  ASSERT_EQ(recording.records.size(), 1u);
  const std::string& line = recording.records[0].line;
  EXPECT_EQ(withoutDuration(line),
            "run \"/usr/sbin/spctl\" \"-a\": failed: " +
                quotedForLog(std::system_error(ENOENT, std::system_category(), "/usr/sbin/spctl\nsecond line").what()))
      << line;
}

TEST(LoggedRunner, MeasuresTheRunInMilliseconds) {
  RecordingLog recording;
  const ToolRunner runner = recordingRunner([](const std::string&, const std::vector<std::string>&) {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    return CommandResult{};
  }, recording.log(), LogCategory::state);
  runner("/bin/true", {});
  ASSERT_EQ(recording.records.size(), 1u);
  const auto duration = durationAtEnd(recording.records[0].line);
  ASSERT_TRUE(duration) << recording.records[0].line;
  EXPECT_GE(duration->second, 30);
}

TEST(LoggedRunner, ALogThatFailsChangesNothing) {
  const ToolRunner runner = recordingRunner([](const std::string&, const std::vector<std::string>&) {
    return CommandResult{4, "x"};
  }, [](LogCategory, const std::string&) { throw std::runtime_error("no log"); }, LogCategory::state);
  const CommandResult got = runner("/usr/bin/tool", {});
  EXPECT_EQ(got.status, 4);
  EXPECT_EQ(got.output, "x");
}

}  // namespace
