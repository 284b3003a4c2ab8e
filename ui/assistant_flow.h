#pragma once

#include <functional>
#include <string>

#include "driver/driver_state.h"
#include "ui/alert.h"
#include "ui/localized_text.h"
#include "ui/serial_port_scan.h"

namespace orventa {

/// Everything the assistant flow takes from the rest of the program and the
/// platform. Production wires the real calls in app/; tests pass fakes.
struct AssistantOperations {
  /// The OS version text, used unchanged.
  std::function<std::string()> osVersionText;
  /// The running macOS's major version (15 on macOS 15.2), 0 on any system
  /// that is not macOS: it chooses the `approvalPlace` the alerts name.
  std::function<int()> macOSMajorVersion;
  /// The entries of a directory (used for "/dev"); may throw.
  DirectoryLister listDirectory;
  /// The live driver state; never fails.
  std::function<DriverState()> driverState;
  /// The path of the verified installer package; throws AssistantError or a
  /// platform error, whose what() is shown to the user.
  std::function<std::string()> embeddedPackage;
  /// Opens the package at a path with the system's default application;
  /// true when it could be opened.
  std::function<bool(const std::string& path)> openPackage;
  /// Removes the package at a path that `openPackage` could not open; never
  /// throws. Empty: nothing to remove.
  std::function<void(const std::string& path)> removePackage;
  /// Shows one alert and returns the chosen button's response.
  AlertPresenter showAlert;
  /// Every text of the alerts, by key, in the user's language.
  Localizer localizedText;
};

/// The whole conversation of one normal run, to its end:
///  1. the environment line from the OS version text and the approval place
///     from the macOS major version (both read before anything else), each
///     text in the user's language from `localizedText`;
///  2. `driverState`: enabled -> scan /dev, "Driver Check Complete", end;
///     installedNotEnabled -> offer "Driver Needs Attention";
///     notInstalled -> offer "Driver Required";
///  3. an offer answered with anything but the first button ends the run;
///  4. `embeddedPackage`, then `openPackage` (NO is assistant error
///     openFailed, "macOS could not open the WCH installer.", after
///     `removePackage` removed the package nothing will read); a failure of
///     either shows "Unable to Continue" with the error's message
///     (`failureMessage`) and ends the run;
///  5. "Complete the WCH Installation": anything but "Recheck" ends the run;
///  6. `driverState` again and one result alert by its answer.
/// At most three alerts; `driverState` once or twice, `embeddedPackage`,
/// `openPackage` and `removePackage` at most once each. Throws nothing:
/// every failure ends in an alert.
void runAssistant(const AssistantOperations& operations);

}  // namespace orventa
