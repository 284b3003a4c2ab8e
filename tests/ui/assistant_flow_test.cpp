// The assistant flow against scripted operations: one table of runs that
// together pass every transition of the flow.

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "package/assistant_error.h"
#include "tests/support/strings_table.h"
#include "ui/assistant_flow.h"

using namespace orventa;

namespace {

struct Shown {
  std::string title;
  std::string message;
  std::vector<std::string> buttons;
  AlertStyle style;
  bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& shown) {
  out << "{\"" << shown.title << "\", \"" << shown.message << "\", [";
  for (const auto& button : shown.buttons) out << '"' << button << "\" ";
  return out << "], style " << static_cast<int>(shown.style) << "}";
}

const std::string osVersion = "Version 14.2 (Build 23C64)";
// The texts as a user reads them in English: the development table.
const Localizer english = tableLocalizer("en");
const std::string environment = "Environment: Version 14.2 (Build 23C64)";

// The expected alerts, written out in full on purpose: the texts are what the
// user reads.
const Shown checkCompleteNoPort{
    "Driver Check Complete",
    environment +
        "\n\nThe required WCH driver is already installed and enabled. No installation is needed.\n\n"
        "Connect the alarm light later to check its serial port.",
    {"OK"},
    AlertStyle::informational};
const Shown checkCompleteWithPort{
    "Driver Check Complete",
    environment +
        "\n\nThe required WCH driver is already installed and enabled. No installation is needed.\n\n"
        "A WCH serial port is also present.",
    {"OK"},
    AlertStyle::informational};
const Shown needsAttention{
    "Driver Needs Attention",
    environment +
        "\n\nThe WCH driver is installed but not enabled. Check System Settings > Privacy & Security and restart "
        "the Mac.\n\nOpen the signed installer to complete or repair the installation?",
    {"Open Installer", "Cancel"},
    AlertStyle::warning};
const Shown required{"Driver Required",
                     environment + "\n\nThe required WCH driver is not installed. Install it now?",
                     {"Install Driver", "Cancel"},
                     AlertStyle::warning};
const Shown completeInstallation{"Complete the WCH Installation",
                                 "Finish the steps in the macOS Installer window. Then return here and click "
                                 "Recheck.",
                                 {"Recheck", "Close"},
                                 AlertStyle::informational};
const Shown notDetected{"Driver Not Detected",
                        "The installer closed, but the required driver was not detected. Open this assistant "
                        "again or contact ORVENTA support.",
                        {"OK"},
                        AlertStyle::critical};
const Shown approvalOrRestart{"Approval or Restart Required",
                              "The driver is installed but not enabled yet. Approve WCH in System Settings > "
                              "Privacy & Security if requested, restart the Mac, and open this assistant again.",
                              {"OK"},
                              AlertStyle::warning};
const Shown installationComplete{
    "Installation Complete", "The required WCH driver is installed and enabled.", {"OK"}, AlertStyle::informational};

Shown unableToContinue(const std::string& message) {
  return {"Unable to Continue", message, {"OK"}, AlertStyle::critical};
}

enum class PackageOutcome { path, assistantError, platformError };

constexpr AlertResponse first = 1000, second = 1001;

// How often the flow calls each operation in one run.
struct Calls {
  int driverState;
  int embeddedPackage;
  int open;
  bool operator==(const Calls&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Calls& calls) {
  return out << "{driverState " << calls.driverState << ", embeddedPackage " << calls.embeddedPackage << ", open "
             << calls.open << "}";
}

struct FlowRun {
  const char* name;
  std::vector<DriverState> states;  // answers of driverState(), in order
  // The listing of /dev, read only when the driver is enabled; none: it fails.
  std::optional<std::vector<std::string>> devices = std::nullopt;
  PackageOutcome package = PackageOutcome::path;
  bool opens = true;                     // what opening the package answers
  std::vector<AlertResponse> responses;  // answers to the alerts, in order
  std::vector<Shown> alerts;             // the alerts expected, in order
  Calls calls;
};

using S = DriverState;
using Names = std::vector<std::string>;
const std::string packagePath = "/Applications/Driver Assistant.app/Contents/Resources/CH34xVCPDriver.pkg";

const std::vector<FlowRun> runs = {
    {.name = "enabled, no port",
     .states = {S::enabled},
     .devices = Names{"tty", "cu.Bluetooth"},
     .responses = {first},
     .alerts = {checkCompleteNoPort},
     .calls = {.driverState = 1, .embeddedPackage = 0, .open = 0}},
    {.name = "enabled, a port, answered with another response",
     .states = {S::enabled},
     .devices = Names{"cu.wchusbserial1410"},
     .responses = {second},
     .alerts = {checkCompleteWithPort},
     .calls = {.driverState = 1, .embeddedPackage = 0, .open = 0}},
    {.name = "enabled, /dev cannot be listed",
     .states = {S::enabled},
     .devices = std::nullopt,
     .responses = {first},
     .alerts = {checkCompleteNoPort},
     .calls = {.driverState = 1, .embeddedPackage = 0, .open = 0}},
    {.name = "not installed, Cancel",
     .states = {S::notInstalled},
     .responses = {second},
     .alerts = {required},
     .calls = {.driverState = 1, .embeddedPackage = 0, .open = 0}},
    {.name = "not enabled, Cancel",
     .states = {S::installedNotEnabled},
     .responses = {second},
     .alerts = {needsAttention},
     .calls = {.driverState = 1, .embeddedPackage = 0, .open = 0}},
    {.name = "not installed, an unexpected response counts as Cancel",
     .states = {S::notInstalled},
     .responses = {-1000},
     .alerts = {required},
     .calls = {.driverState = 1, .embeddedPackage = 0, .open = 0}},
    {.name = "not enabled, an unexpected response counts as Cancel",
     .states = {S::installedNotEnabled},
     .responses = {-1000},
     .alerts = {needsAttention},
     .calls = {.driverState = 1, .embeddedPackage = 0, .open = 0}},
    {.name = "not installed, Install, an unexpected response at the wait counts as Close",
     .states = {S::notInstalled},
     .responses = {first, -1000},
     .alerts = {required, completeInstallation},
     .calls = {.driverState = 1, .embeddedPackage = 1, .open = 1}},
    {.name = "not installed, Install, Recheck, still missing",
     .states = {S::notInstalled, S::notInstalled},
     .responses = {first, first, first},
     .alerts = {required, completeInstallation, notDetected},
     .calls = {.driverState = 2, .embeddedPackage = 1, .open = 1}},
    {.name = "not installed, Install, Recheck, not enabled",
     .states = {S::notInstalled, S::installedNotEnabled},
     .responses = {first, first, first},
     .alerts = {required, completeInstallation, approvalOrRestart},
     .calls = {.driverState = 2, .embeddedPackage = 1, .open = 1}},
    {.name = "not enabled, Open Installer, Recheck, enabled",
     .states = {S::installedNotEnabled, S::enabled},
     .devices = Names{"cu.wchusbserial"},
     .responses = {first, first, first},
     .alerts = {needsAttention, completeInstallation, installationComplete},
     .calls = {.driverState = 2, .embeddedPackage = 1, .open = 1}},
    {.name = "not installed, Install, Close",
     .states = {S::notInstalled},
     .responses = {first, second},
     .alerts = {required, completeInstallation},
     .calls = {.driverState = 1, .embeddedPackage = 1, .open = 1}},
    {.name = "not installed, Install, the package fails its check",
     .states = {S::notInstalled},
     .package = PackageOutcome::assistantError,
     .responses = {first, first},
     .alerts = {required, unableToContinue("The embedded WCH package failed its SHA-256 check.")},
     .calls = {.driverState = 1, .embeddedPackage = 1, .open = 0}},
    {.name = "not enabled, Open Installer, the package cannot be read",
     .states = {S::installedNotEnabled},
     .package = PackageOutcome::platformError,
     .responses = {first, first},
     .alerts = {needsAttention, unableToContinue("Permission denied")},
     .calls = {.driverState = 1, .embeddedPackage = 1, .open = 0}},
    {.name = "not installed, Install, the package cannot be opened",
     .states = {S::notInstalled},
     .opens = false,
     .responses = {first, first},
     .alerts = {required, unableToContinue("macOS could not open the WCH installer.")},
     .calls = {.driverState = 1, .embeddedPackage = 1, .open = 1}},
};

/// Operations that play one run's script and count the calls.
struct Script {
  explicit Script(const FlowRun& run) : run(run) {}
  const FlowRun& run;
  std::deque<DriverState> states{run.states.begin(), run.states.end()};
  std::deque<AlertResponse> responses{run.responses.begin(), run.responses.end()};
  std::vector<Shown> shown;
  std::vector<std::string> listed, opened;
  int driverStateCalls = 0, embeddedPackageCalls = 0;
  int macOSMajorVersion = 0;  // as on any system that is not macOS

  AssistantOperations operations() {
    AssistantOperations o;
    o.localizedText = english;
    o.osVersionText = [] { return osVersion; };
    o.macOSMajorVersion = [this] { return macOSMajorVersion; };
    o.listDirectory = [this](const std::string& path) {
      listed.push_back(path);
      if (!run.devices) throw std::system_error(EACCES, std::system_category(), path);
      return *run.devices;
    };
    o.driverState = [this] {
      ++driverStateCalls;
      if (states.empty()) throw std::logic_error("driverState called more often than scripted");
      const DriverState state = states.front();
      states.pop_front();
      return state;
    };
    o.embeddedPackage = [this]() -> std::string {
      ++embeddedPackageCalls;
      switch (run.package) {
        case PackageOutcome::assistantError:
          throw AssistantError(AssistantErrorCode::digestMismatch);
        case PackageOutcome::platformError:
          throw std::system_error(EACCES, std::system_category());
        case PackageOutcome::path:
          break;
      }
      return packagePath;
    };
    o.openPackage = [this](const std::string& path) {
      opened.push_back(path);
      return run.opens;
    };
    o.showAlert = [this](const std::string& title, const std::string& message,
                         const std::vector<std::string>& buttons, AlertStyle style) {
      shown.push_back({title, message, buttons, style});
      if (responses.empty()) throw std::logic_error("an alert more than scripted: " + title);
      const AlertResponse response = responses.front();
      responses.pop_front();
      return response;
    };
    return o;
  }
};

TEST(AssistantFlow, EveryPathShowsItsAlertsAndCallsEachOperationAsOftenAsItShould) {
  for (const FlowRun& run : runs) {
    SCOPED_TRACE(run.name);
    Script script(run);
    runAssistant(script.operations());

    EXPECT_EQ(script.shown, run.alerts);
    EXPECT_EQ((Calls{.driverState = script.driverStateCalls,
                     .embeddedPackage = script.embeddedPackageCalls,
                     .open = static_cast<int>(script.opened.size())}),
              run.calls);
    for (const auto& path : script.opened) EXPECT_EQ(path, packagePath) << "the package goes to the open unchanged";
    // /dev is looked at only when the driver is already enabled.
    const bool scanned = run.states.front() == S::enabled;
    EXPECT_EQ(script.listed, scanned ? std::vector<std::string>{"/dev"} : std::vector<std::string>{});
    EXPECT_TRUE(script.responses.empty()) << "fewer alerts than scripted";
  }
}

TEST(AssistantFlow, OnMacOS15BothApprovalAlertsNameTheDriverExtensionsPane) {
  const Shown needsAttentionOn15{
      "Driver Needs Attention",
      environment +
          "\n\nThe WCH driver is installed but not enabled. Check System Settings > General > Login Items & "
          "Extensions > Driver Extensions and restart the Mac.\n\nOpen the signed installer to complete or repair "
          "the installation?",
      {"Open Installer", "Cancel"},
      AlertStyle::warning};
  const Shown approvalOrRestartOn15{
      "Approval or Restart Required",
      "The driver is installed but not enabled yet. Approve WCH in System Settings > General > Login Items & "
      "Extensions > Driver Extensions if requested, restart the Mac, and open this assistant again.",
      {"OK"},
      AlertStyle::warning};
  const FlowRun run{.name = "not enabled, Open Installer, Recheck, still not enabled",
                    .states = {S::installedNotEnabled, S::installedNotEnabled},
                    .responses = {first, first, first},
                    .alerts = {needsAttentionOn15, completeInstallation, approvalOrRestartOn15},
                    .calls = {.driverState = 2, .embeddedPackage = 1, .open = 1}};
  Script script(run);
  script.macOSMajorVersion = 15;
  runAssistant(script.operations());
  EXPECT_EQ(script.shown, run.alerts);
}

TEST(AssistantFlow, AlertStylesAreAppKitsNumbers) {
  // The alert passes its style to AppKit as this number.
  EXPECT_EQ(static_cast<int>(AlertStyle::warning), 0);
  EXPECT_EQ(static_cast<int>(AlertStyle::informational), 1);
  EXPECT_EQ(static_cast<int>(AlertStyle::critical), 2);
}

TEST(AssistantFlow, ReadsTheOsVersionBeforeAnythingElse) {
  std::vector<std::string> calls;
  AssistantOperations o;
  o.localizedText = english;
  o.osVersionText = [&] {
    calls.push_back("osVersionText");
    return std::string();
  };
  o.macOSMajorVersion = [&] {
    calls.push_back("macOSMajorVersion");
    return 0;
  };
  o.driverState = [&] {
    calls.push_back("driverState");
    return DriverState::notInstalled;
  };
  std::string firstMessage;
  o.showAlert = [&](const std::string&, const std::string& message, const std::vector<std::string>&, AlertStyle) {
    calls.push_back("showAlert");
    firstMessage = message;
    return second;
  };
  runAssistant(o);
  EXPECT_EQ(calls, (std::vector<std::string>{"osVersionText", "macOSMajorVersion", "driverState", "showAlert"}));
  // An empty version text leaves the label directly before the paragraph break.
  EXPECT_EQ(firstMessage, "Environment: \n\nThe required WCH driver is not installed. Install it now?");
}

}  // namespace

// Nothing will read a package the Installer could not open: it is removed
// before the failure shows, and one that opened is left to the Installer.
TEST(AssistantFlow, RemovesThePackageOnlyWhenItCannotBeOpenedBeforeTheFailureShows) {
  for (const bool opens : {false, true}) {
    SCOPED_TRACE(opens ? "opened" : "not opened");
    std::vector<std::string> calls;
    AssistantOperations o;
    o.localizedText = english;
    o.osVersionText = [] { return osVersion; };
    o.macOSMajorVersion = [] { return 0; };
    o.driverState = [] { return DriverState::notInstalled; };
    o.embeddedPackage = [] { return packagePath; };
    o.openPackage = [&](const std::string& path) {
      calls.push_back("open " + path);
      return opens;
    };
    o.removePackage = [&](const std::string& path) { calls.push_back("remove " + path); };
    o.showAlert = [&](const std::string& title, const std::string&, const std::vector<std::string>&, AlertStyle) {
      calls.push_back(title);
      return title == "Driver Required" ? first : second;
    };
    runAssistant(o);
    const std::vector<std::string> notOpened = {"Driver Required", "open " + packagePath, "remove " + packagePath,
                                                "Unable to Continue"};
    const std::vector<std::string> opened = {"Driver Required", "open " + packagePath,
                                             "Complete the WCH Installation"};
    EXPECT_EQ(calls, opens ? opened : notOpened);
  }
}
