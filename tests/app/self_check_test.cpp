#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/self_check.h"

using namespace orventa;

namespace {

struct Recorder {
  int classifications = 0;
  int verifications = 0;
  std::vector<std::string> writes;
};

SelfCheckOperations operationsFor(Recorder& r, std::function<void()> verify = [] {},
                                  std::function<DriverState(std::string_view, bool)> classify =
                                      classifyDriverState) {
  SelfCheckOperations ops;
  ops.classify = [&r, classify](std::string_view text, bool receipt) {
    ++r.classifications;
    return classify(text, receipt);
  };
  ops.verifyPackage = [&r, verify] {
    ++r.verifications;
    verify();
  };
  ops.writeError = [&r](std::string_view bytes) { r.writes.emplace_back(bytes); };
  return ops;
}

TEST(SelfCheck, PassesSilently) {
  Recorder r;
  EXPECT_EQ(runSelfCheck(operationsFor(r)), 0);
  EXPECT_EQ(r.classifications, 3);
  EXPECT_EQ(r.verifications, 1);
  EXPECT_TRUE(r.writes.empty());
}

TEST(SelfCheck, AFailingRuleStopsSilentlyBeforeThePackage) {
  // Each broken rule set breaks exactly one of the three fixed cases.
  struct Case {
    const char* name;
    std::function<DriverState(std::string_view, bool)> classify;
    int classificationsBeforeStop;
  };
  const Case cases[] = {
      {.name = "enabled line misread",
       .classify = [](std::string_view,
                      bool r) { return r ? DriverState::installedNotEnabled : DriverState::notInstalled; },
       .classificationsBeforeStop = 1},
      {.name = "receipt ignored",
       .classify = [](std::string_view t,
                      bool) { return t.empty() ? DriverState::notInstalled : DriverState::enabled; },
       .classificationsBeforeStop = 2},
      {.name = "everything installed",
       .classify = [](std::string_view t,
                      bool) { return t.empty() ? DriverState::installedNotEnabled : DriverState::enabled; },
       .classificationsBeforeStop = 3},
      // The sample line without a receipt is the case that shows this.
      {.name = "enabled only when a receipt exists",
       .classify =
           [](std::string_view t, bool r) {
             const DriverState state = classifyDriverState(t, r);
             return state == DriverState::enabled && !r ? DriverState::installedNotEnabled : state;
           },
       .classificationsBeforeStop = 1},
  };
  for (const Case& c : cases) {
    Recorder r;
    EXPECT_EQ(runSelfCheck(operationsFor(r, [] {}, c.classify)), 1) << c.name;
    EXPECT_EQ(r.classifications, c.classificationsBeforeStop) << c.name;
    EXPECT_EQ(r.verifications, 0) << c.name;
    EXPECT_TRUE(r.writes.empty()) << c.name;
  }
}

TEST(SelfCheck, AsksTheThreeFixedQuestionsInOrder) {
  std::vector<std::pair<std::string, bool>> asked;
  Recorder r;
  SelfCheckOperations ops = operationsFor(r);
  ops.classify = [&asked](std::string_view text, bool receipt) {
    asked.emplace_back(text, receipt);
    return classifyDriverState(text, receipt);
  };
  EXPECT_EQ(runSelfCheck(ops), 0);
  const std::vector<std::pair<std::string, bool>> fixed = {
      {"cn.wch.CH34xVCPDriver (1.0/1) [activated enabled]", false}, {"", true}, {"", false}};
  EXPECT_EQ(asked, fixed);
}

TEST(SelfCheck, PackageFailureWritesItsDescriptionAndOneLineFeedOnce) {
  struct Case {
    const char* name;
    std::function<void()> verify;
    std::string written;
  };
  const Case cases[] = {
      {"own error", [] { throw std::runtime_error("The embedded WCH driver package is missing."); },
       "The embedded WCH driver package is missing.\n"},
      {"platform error", [] { throw std::system_error(ENOENT, std::system_category()); },
       std::system_error(ENOENT, std::system_category()).what() + std::string("\n")},
      {"non-ASCII text", [] { throw std::runtime_error("Paket \xc3\xbc"); }, "Paket \xc3\xbc\n"},
      // A TMPDIR with a line feed in the path: still one line.
      {"control characters in a path",
       [] { throw std::runtime_error("Cannot create /tmp/a\nb\r\x1b[2J\tc\x7f/x: Permission denied"); },
       "Cannot create /tmp/a\\nb\\r\\x1B[2J\tc\\x7F/x: Permission denied\n"},
  };
  for (const Case& c : cases) {
    Recorder r;
    EXPECT_EQ(runSelfCheck(operationsFor(r, c.verify)), 1) << c.name;
    ASSERT_EQ(r.writes.size(), 1u) << c.name;
    EXPECT_EQ(r.writes[0], c.written) << c.name;
  }
}

}  // namespace
