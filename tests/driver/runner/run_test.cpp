// The runner against real children: results, arguments, start failures,
// statuses and descriptor hygiene.

#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "driver/runner/run.h"
#include "tests/support/process_probes.h"

using namespace orventa;

namespace {

const std::string child = RUNNER_CHILD;
const std::string startFailures = START_FAILURES;

// Far beyond what any of these children takes.
constexpr std::chrono::seconds generousLimit{30};

CommandResult runChild(const std::vector<std::string>& steps) { return run(child, steps, generousLimit); }

// Runs `call` on another thread and gives up on the whole test program when
// it does not end in time: a deadlock must fail, not hang.
template <typename Call>
auto within(std::chrono::seconds limit, Call call) {
  auto future = std::async(std::launch::async, call);
  if (future.wait_for(limit) != std::future_status::ready) {
    std::fprintf(stderr, "the runner did not return within %lld s\n", static_cast<long long>(limit.count()));
    std::_Exit(1);
  }
  return future.get();
}

TEST(Run, ResultTable) {
  struct Case {
    const char* name;
    std::vector<std::string> steps;
    std::int32_t status;
    std::string output;
  };
  const Case cases[] = {
      {"no output, status 0", {}, 0, ""},
      {"status 3 is a result, with its output", {"out", "partial\n", "exit", "3"}, 3, "partial\n"},
      {"trailing line feeds kept", {"out", "line\n\n"}, 0, "line\n\n"},
      {"streams interleaved in write order", {"out", "1", "err", "2", "out", "3", "err", "4\n"}, 0, "1234\n"},
      {"character split across writes", {"bytewise", "E282AC", "40"}, 0, "\u20AC"},
      {"0xFF becomes one U+FFFD", {"hex", "61FF62", "out", " c"}, 0, "a\uFFFDb c"},
      // Ill-formed or cut at the very end of the output, one to three bytes
      // before it.
      {"a lone lead byte before the last line feed", {"hex", "636166E90A"}, 0, "caf\uFFFD\n"},
      {"a lead byte last", {"hex", "636166E9"}, 0, "caf\uFFFD"},
      {"a four-byte character cut after three", {"out", "a", "hex", "F09F98"}, 0, "a\uFFFD"},
      {"0xFF three bytes before the end", {"hex", "61FF6263"}, 0, "a\uFFFDbc"},
      {"control characters and NUL kept", {"hex", "000D0A092007"}, 0, std::string("\0\r\n\t \a", 6)},
  };
  for (const Case& c : cases) {
    const CommandResult result = runChild(c.steps);
    EXPECT_EQ(result.status, c.status) << c.name;
    EXPECT_EQ(result.output, c.output) << c.name;
  }
}

TEST(Run, ArgumentsArriveUnchangedOneEach) {
  const std::vector<std::string> arguments = {"with space", "\"double\" 'single'", "$HOME ${PATH}", "ünï€ 日本",
                                              "", "*", "--self-check", "a\\b"};
  std::vector<std::string> steps = {"args"};
  steps.insert(steps.end(), arguments.begin(), arguments.end());
  std::string want;
  for (const std::string& a : arguments) want += a + '\0';
  EXPECT_EQ(runChild(steps).output, want);
}

TEST(Run, StartFailureRaisesThePlatformErrorAndLeavesNothing) {
  struct Case {
    const char* name;
    std::string path;
    int error;
  };
  const Case cases[] = {
      {"missing", startFailures + "/missing", ENOENT},
      {"directory", startFailures + "/a_directory", EACCES},
      {"no run bit", startFailures + "/no_run_bit", EACCES},
      {"no \"#!\" line", startFailures + "/no_interpreter_line", ENOEXEC},
  };
  const std::set<std::string> before = openDescriptors();
  for (const Case& c : cases) {
    try {
      run(c.path, {"an argument"}, generousLimit);
      ADD_FAILURE() << c.name << ": started";
    } catch (const std::system_error& e) {
      EXPECT_EQ(e.code(), std::error_code(c.error, std::system_category())) << c.name;
      EXPECT_NE(std::string(e.what()).find(std::system_category().message(c.error)), std::string::npos)
          << c.name << ": " << e.what();
    }
    EXPECT_TRUE(noChildren()) << c.name;
    EXPECT_EQ(openDescriptors(), before) << c.name;
  }
}

TEST(Run, EveryEndingGivesItsOwnStatus) {
  struct Case {
    std::vector<std::string> steps;
    std::int32_t status;
  };
  const Case cases[] = {
      {{"exit", "0"}, 0},     {{"exit", "1"}, 1},     {{"exit", "9"}, 9},
      {{"exit", "137"}, 137}, {{"exit", "255"}, 255}, {{"signal", "9"}, -9},
      {{"signal", "15"}, -15}, {{"signal", "11"}, -11},
  };
  std::set<std::int32_t> seen;
  for (const Case& c : cases) {
    const std::int32_t status = runChild(c.steps).status;
    EXPECT_EQ(status, c.status) << c.steps[0] << " " << c.steps[1];
    seen.insert(status);
  }
  EXPECT_EQ(seen.size(), std::size(cases));
}

TEST(Run, MoreThanThePipeHoldsOnBothStreams) {
  constexpr std::size_t mebibyte = 1 << 20;
  const CommandResult result =
      within(std::chrono::seconds(30), [] { return runChild({"flood", std::to_string(mebibyte)}); });
  std::string want;
  for (std::size_t i = 0; i < mebibyte / 4096; ++i) want += std::string(4096, 'o') + std::string(4096, 'e');
  EXPECT_EQ(result.output.size(), 2 * mebibyte);
  EXPECT_TRUE(result.output == want) << "the output differs from the interleaved writes";
}

TEST(Run, AGrandchildHoldingThePipeHoldsTheCall) {
  const auto start = std::chrono::steady_clock::now();
  const CommandResult result = within(std::chrono::seconds(30), [] {
    return runChild({"grandchild", "300", "out", "early\n"});
  });
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
  EXPECT_EQ(result.output, "early\nlate\n");
  EXPECT_EQ(result.status, 0);
}

TEST(Run, ThousandCallsLeaveNoDescriptorOrChild) {
  const std::set<std::string> before = openDescriptors();
  for (int i = 0; i < 1000; ++i) {
    const CommandResult result = runChild({"out", "x", "exit", "1"});
    ASSERT_EQ(result.output, "x") << "call " << i;
  }
  EXPECT_EQ(openDescriptors(), before);
  EXPECT_TRUE(noChildren());
}

TEST(Run, TheChildGetsNoDescriptorAboveTwo) {
  // A descriptor this program opened without close-on-exec must not leak
  // into the child either.
  const int inheritable = open("/dev/null", O_RDONLY);
  ASSERT_GT(inheritable, 2);
  const CommandResult result = runChild({"fds"});
  close(inheritable);
  // Status 121: the child could not look, which proves nothing.
  EXPECT_EQ(result.status, 0) << "the child could not list its descriptors: " << result.output;
  EXPECT_EQ(result.output, "");
}

}  // namespace
