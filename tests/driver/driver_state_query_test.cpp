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
  struct Case {
    const char* name;
    std::optional<CommandResult> listing, receipt;  // nullopt: start failure
    DriverState want;
  };
  const Case cases[] = {
      {"enabled, listing status ignored", CommandResult{1, enabledListing}, CommandResult{1, ""},
       DriverState::enabled},
      {"enabled listing, receipt tool missing", CommandResult{0, enabledListing}, std::nullopt,
       DriverState::enabled},
      {"listed but waiting", CommandResult{0, waitingListing}, CommandResult{1, ""},
       DriverState::installedNotEnabled},
      {"only the receipt (status 0)", CommandResult{0, ""}, CommandResult{0, "package-id: ..."},
       DriverState::installedNotEnabled},
      {"receipt status 1 is no receipt", CommandResult{0, "0 extension(s)\n"}, CommandResult{1, "No receipt"},
       DriverState::notInstalled},
      {"receipt ended by a signal is no receipt", CommandResult{0, ""}, CommandResult{-9, ""},
       DriverState::notInstalled},
      {"receipt status unknown is no receipt", CommandResult{0, ""}, CommandResult{unknownTerminationStatus, ""},
       DriverState::notInstalled},
      {"listing tool missing, receipt present", std::nullopt, CommandResult{0, ""},
       DriverState::installedNotEnabled},
      {"neither tool can start", std::nullopt, std::nullopt, DriverState::notInstalled},
      {"receipt output is not searched", CommandResult{0, ""}, CommandResult{1, enabledListing},
       DriverState::notInstalled},
  };
  for (const Case& c : cases) {
    std::vector<Call> calls;
    const FakeRunner fake{&calls, c.listing ? &*c.listing : nullptr, c.receipt ? &*c.receipt : nullptr};
    EXPECT_EQ(driverState(fake), c.want) << c.name;
    EXPECT_EQ(calls.size(), 2u) << c.name << ": both tools run whatever the first gave";
    // A tool that ran is read, whatever its status; one that did not is a
    // failure a report must not guess over.
    const DriverStateReading reading = readDriverState(fake);
    EXPECT_EQ(reading.state, c.want) << c.name;
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
