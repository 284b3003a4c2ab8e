#include <functional>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "driver/build_constants.h"
#include "driver/driver_state.h"
#include "driver/runner/run_limit_error.h"

using namespace orventa;

namespace {

const std::string enabledListing = "cn.wch.CH34xVCPDriver (1.0/1) [activated enabled]\n";
const std::string waitingListing = "cn.wch.CH34xVCPDriver (1.0/1) [activated waiting for user]\n";

struct Call {
  std::string path;
  std::vector<std::string> arguments;
  bool operator==(const Call&) const = default;
};

// A runner that records its calls and answers each tool from a script; a
// tool without an answer fails to start.
struct FakeRunner {
  std::vector<Call>* calls;
  const CommandResult* listing;  // nullptr: cannot be started
  const CommandResult* receipt;

  CommandResult operator()(const std::string& path, const std::vector<std::string>& arguments) const {
    calls->push_back({path, arguments});
    const CommandResult* answer = path == "/usr/bin/systemextensionsctl" ? listing : receipt;
    if (!answer) throw std::system_error(ENOENT, std::system_category(), path);
    return *answer;
  }
};

TEST(DriverStateQuery, RunsBothToolsInOrderOnEveryCall) {
  std::vector<Call> calls;
  const CommandResult listing{0, enabledListing}, receipt{0, ""};
  const FakeRunner fake{&calls, &listing, &receipt};
  driverState(fake);
  driverState(fake);
  const Call list{"/usr/bin/systemextensionsctl", {"list"}};
  const Call pkgInfo{"/usr/sbin/pkgutil", {"--pkg-info", "cn.wch.pkg.CH34xVCPDriver"}};
  EXPECT_EQ(calls, (std::vector<Call>{list, pkgInfo, list, pkgInfo}));
}

TEST(DriverStateQuery, StateTable) {
  // The state is what normal mode acts on: every tool that ran is read,
  // whatever its status. The failure is what a report that must not guess
  // reads: a tool that did not answer.
  const std::string listingTool = "/usr/bin/systemextensionsctl", receiptTool = "/usr/sbin/pkgutil";
  struct Case {
    const char* name;
    std::optional<CommandResult> listing, receipt;  // nullopt: start failure
    DriverState want;
    std::optional<std::string> failure = std::nullopt;  // the reading's failure, when not a start failure
  };
  const Case cases[] = {
      {"enabled", CommandResult{0, enabledListing}, CommandResult{0, ""}, DriverState::enabled},
      {"enabled listing, receipt tool missing", CommandResult{0, enabledListing}, std::nullopt,
       DriverState::enabled},
      {"listed but waiting", CommandResult{0, waitingListing}, CommandResult{1, ""},
       DriverState::installedNotEnabled},
      {"only the receipt (status 0)", CommandResult{0, ""}, CommandResult{0, "package-id: ..."},
       DriverState::installedNotEnabled},
      {"receipt status 1 is no receipt", CommandResult{0, "0 extension(s)\n"}, CommandResult{1, "No receipt"},
       DriverState::notInstalled},
      {"listing tool missing, receipt present", std::nullopt, CommandResult{0, ""},
       DriverState::installedNotEnabled},
      {"neither tool can start", std::nullopt, std::nullopt, DriverState::notInstalled},
      {"receipt output is not searched", CommandResult{0, ""}, CommandResult{1, enabledListing},
       DriverState::notInstalled},
      // A tool that ran but did not end well: its output still counts for
      // the state, and the reading says it did not answer.
      {"listing status ignored for the state", CommandResult{1, enabledListing}, CommandResult{1, ""},
       DriverState::enabled, listingTool + " ended with status 1"},
      {"listing refused", CommandResult{69, "list command failed\n"}, CommandResult{1, ""},
       DriverState::notInstalled, listingTool + " ended with status 69"},
      {"listing crashed after its header", CommandResult{-6, "1 extension(s)\n"}, CommandResult{0, ""},
       DriverState::installedNotEnabled, listingTool + " ended by signal 6"},
      {"listing status unknown", CommandResult{unknownTerminationStatus, waitingListing}, CommandResult{1, ""},
       DriverState::installedNotEnabled, listingTool + " ended with a status the system did not keep"},
      {"receipt ended by a signal is no receipt", CommandResult{0, ""}, CommandResult{-9, ""},
       DriverState::notInstalled, receiptTool + " ended by signal 9"},
      {"receipt status 70", CommandResult{0, ""}, CommandResult{70, ""}, DriverState::notInstalled,
       receiptTool + " ended with status 70"},
      {"receipt status unknown is no receipt", CommandResult{0, ""}, CommandResult{unknownTerminationStatus, ""},
       DriverState::notInstalled, receiptTool + " ended with a status the system did not keep"},
      {"the listing's failure comes first", CommandResult{-11, ""}, CommandResult{70, ""},
       DriverState::notInstalled, listingTool + " ended by signal 11"},
  };
  for (const Case& c : cases) {
    std::vector<Call> calls;
    const FakeRunner fake{&calls, c.listing ? &*c.listing : nullptr, c.receipt ? &*c.receipt : nullptr};
    EXPECT_EQ(driverState(fake), c.want) << c.name;
    EXPECT_EQ(calls.size(), 2u) << c.name << ": both tools run whatever the first gave";
    const DriverStateReading reading = readDriverState(fake);
    EXPECT_EQ(reading.state, c.want) << c.name;
    if (c.failure)
      EXPECT_EQ(reading.failure, c.failure) << c.name;
    else
      EXPECT_EQ(reading.failure.has_value(), !c.listing || !c.receipt) << c.name;
  }
}

TEST(DriverStateQuery, TheReadingNamesTheFirstFailedRun) {
  std::vector<Call> calls;
  const FakeRunner neither{&calls, nullptr, nullptr};
  const DriverStateReading reading = readDriverState(neither);
  ASSERT_TRUE(reading.failure);
  EXPECT_EQ(*reading.failure, "/usr/bin/systemextensionsctl: " + std::system_error(ENOENT, std::system_category()).code().message());
  EXPECT_EQ(calls.size(), 2u);
}

TEST(DriverStateQuery, AnyFailureOfARunGivesTheDefaults) {
  // However a run fails, the listing is empty and the receipt absent; the
  // other tool still runs and counts.
  struct Case {
    const char* name;
    std::function<void(const std::string& path)> fail;
  };
  const Case cases[] = {
      {"cannot start", [](const std::string& path) { throw std::system_error(ENOENT, std::system_category(), path); }},
      {"time limit", [](const std::string& path) { throw RunLimitError::timeLimitPassed(path, std::chrono::seconds(60)); }},
      {"output limit", [](const std::string& path) { throw RunLimitError::outputLimitPassed(path, toolOutputLimit); }},
      {"out of memory", [](const std::string&) { throw std::bad_alloc(); }},
  };
  for (const Case& c : cases) {
    for (const bool listingFails : {true, false}) {
      const std::string failing = listingFails ? "/usr/bin/systemextensionsctl" : "/usr/sbin/pkgutil";
      int calls = 0;
      const ToolRunner runner = [&](const std::string& path, const std::vector<std::string>&) {
        ++calls;
        if (path == failing) c.fail(path);
        // The other tool: a listing naming the driver not yet enabled, or
        // a receipt that exists.
        return listingFails ? CommandResult{0, ""} : CommandResult{0, waitingListing};
      };
      DriverState state = DriverState::enabled;
      EXPECT_NO_THROW(state = driverState(runner)) << c.name;
      EXPECT_EQ(state, DriverState::installedNotEnabled) << c.name << ", failing: " << failing;
      EXPECT_EQ(calls, 2) << c.name;
      // The reading names the tool and the reason, on one line.
      const DriverStateReading reading = readDriverState(runner);
      ASSERT_TRUE(reading.failure) << c.name;
      EXPECT_TRUE(reading.failure->starts_with(failing)) << c.name << ": " << *reading.failure;
      EXPECT_EQ(reading.failure->find('\n'), std::string::npos) << c.name;
    }
  }
}

}  // namespace
