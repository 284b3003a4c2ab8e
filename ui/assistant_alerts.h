#pragma once
// The assistant's alerts of normal mode, each with its title, message,
// buttons and style. A failure's own message, shown in "Unable to
// Continue", is the error's (package/assistant_error.cpp,
// driver/runner/run_limit_error.cpp, or the platform's).

#include <string>
#include <string_view>
#include <vector>

#include "ui/alert.h"

namespace orventa {

/// One alert, as handed to an AlertPresenter.
struct Alert {
  std::string title;
  std::string message;
  std::vector<std::string> buttons;
  AlertStyle style;
};

/// "Environment: " followed directly by the OS version text: the head of the
/// first alert of every run.
std::string environmentLine(const std::string& osVersionText);

/// Where the user approves a driver extension on macOS `macOSMajorVersion`:
/// 11 and 12 "System Preferences > Security & Privacy"; 13 and 14 "System
/// Settings > Privacy & Security"; 15 and later "System Settings > General >
/// Login Items & Extensions > Driver Extensions". A version it does not know
/// (0 for a system that is not macOS, anything below 11) gets the text of
/// 13 and 14.
std::string_view approvalPlace(int macOSMajorVersion);

/// First alerts, by initial driver state. Each begins with `environmentLine`;
/// `place` is an `approvalPlace`.
Alert driverCheckCompleteAlert(const std::string& environmentLine, bool serialPortPresent);
Alert driverNeedsAttentionAlert(const std::string& environmentLine, std::string_view place);
Alert driverRequiredAlert(const std::string& environmentLine);

/// The wait while the Installer runs.
Alert completeInstallationAlert();

/// Result alerts after the recheck.
Alert driverNotDetectedAlert();
Alert approvalOrRestartRequiredAlert(std::string_view place);
Alert installationCompleteAlert();

/// The failure report: `errorMessage` unchanged as the message.
Alert unableToContinueAlert(const std::string& errorMessage);

}  // namespace orventa
