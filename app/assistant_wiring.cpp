#include <iostream>

#include "app/start_and_end_record.h"
#include "app/tool_runners.h"
#include "app/wiring.h"
#include "common/directory.h"
#include "driver/driver_state.h"
#include "package/embedded_package.h"
#include "package/private_copy.h"
#include "ui/assistant_alerts.h"
#include "ui/assistant_flow.h"
#include "ui/localized_text.h"
#include "ui/recorded_alert.h"
#include "ui/open_package.h"
#include "ui/os_version.h"
#include "ui/terminal_alert.h"

namespace orventa {

void runAssistantAfterLaunch(bool withDisplay) {
  AssistantOperations operations;
  operations.osVersionText = operatingSystemVersionText;
  operations.macOSMajorVersion = runningMacOSMajorVersion;
  operations.listDirectory = directoryEntries;
  operations.driverState = [] {
    return driverState(driverQueryRunner(), writeSystemLog);
  };
  operations.embeddedPackage = [] {
    return embeddedPackage(packageCheckRunner(), writeSystemLog);
  };
  operations.openPackage = [](const std::string& path) {
    const bool opened = openPackage(path, installerOpener());
    logEvent(writeSystemLog, LogCategory::flow, opened ? "installer: opened" : "installer: not opened");
    return opened;
  };
  operations.removePackage = removePrivateCopy;
  operations.localizedText = localizedText;
  // The record names each alert and button in English.
  const auto english = [](const std::string& shown) {
    return englishAlertText(shown, localizedText, developmentText);
  };
  if (withDisplay) {
    operations.showAlert = recordingPresenter(showAlert, writeSystemLog, {}, english);
  } else {
    // No application object in the terminal: the alerts become text.
    operations.showAlert = recordingPresenter(
        [](const std::string& title, const std::string& message, const std::vector<std::string>& buttons,
           AlertStyle style) {
          return showTerminalAlert(title, message, buttons, style, std::cin, std::cout, localizedText);
        },
        // The terminal answers with the last button when its input has
        // ended; a read that failed is what tells that apart from a choice.
        writeSystemLog, [] { return std::cin.fail(); }, english);
  }
  runAssistant(operations);
  // The application ends with status 0 once this returns.
  recordEnd(0);
}

}  // namespace orventa
