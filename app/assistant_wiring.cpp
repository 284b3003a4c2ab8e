#include <iostream>

#include "app/wiring.h"
#include "driver/build_constants.h"
#include "driver/driver_state.h"
#include "package/embedded_package.h"
#include "ui/assistant_flow.h"
#include "ui/directory.h"
#include "ui/open_package.h"
#include "ui/os_version.h"
#include "ui/terminal_alert.h"

void runAssistantAfterLaunch(bool withDisplay) {
  AssistantOperations operations;
  operations.osVersionText = operatingSystemVersionText;
  operations.listDirectory = directoryEntries;
  operations.driverState = [] {
    return driverState([](const std::string& path, const std::vector<std::string>& arguments) {
      return run(path, arguments, driverQueryTimeLimit);
    });
  };
  operations.embeddedPackage = [] { return embeddedPackage(); };
  operations.openPackage = openPackage;
  if (withDisplay) {
    operations.showAlert = showAlert;
  } else {
    // No application object in the terminal: the alerts become text.
    operations.showAlert = [](const std::string& title, const std::string& message,
                              const std::vector<std::string>& buttons, AlertStyle style) {
      return showTerminalAlert(title, message, buttons, style, std::cin, std::cout);
    };
  }
  runAssistant(operations);
}
