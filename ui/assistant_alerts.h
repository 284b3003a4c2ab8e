#pragma once
// The assistant's alerts of normal mode, each with its title, message,
// buttons and style, in the user's language: every text comes from the
// tables by key (ui/localized_text.h; resources/en.lproj/Localizable.strings
// holds them all in English). A platform error's reason, shown in "Unable
// to Continue", is the system's.

#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "ui/alert.h"
#include "ui/localized_text.h"

namespace orventa {

/// One alert, as handed to an AlertPresenter.
struct Alert {
  std::string title;
  std::string message;
  std::vector<std::string> buttons;
  AlertStyle style;
};

/// The lead "Environment: " followed directly by the OS version text: the
/// head of the first alert of every run.
std::string environmentLine(const Localizer& texts, const std::string& osVersionText);

/// Where the user approves a driver extension on macOS `macOSMajorVersion`,
/// in English: 11 and 12 "System Preferences > Security & Privacy"; 13 and
/// 14 "System Settings > Privacy & Security"; 15 and later "System Settings >
/// General > Login Items & Extensions > Driver Extensions". A version it does
/// not know (0 for a system that is not macOS, anything below 11) gets the
/// place of 13 and 14.
std::string_view approvalPlace(int macOSMajorVersion);

/// The key of that place in the tables, by the same version groups.
std::string_view approvalPlaceKey(int macOSMajorVersion);

/// First alerts, by initial driver state. Each begins with `environmentLine`;
/// `place` is the approval place in the user's language.
Alert driverCheckCompleteAlert(const Localizer& texts, const std::string& environmentLine, bool serialPortPresent);
Alert driverNeedsAttentionAlert(const Localizer& texts, const std::string& environmentLine, std::string_view place);
Alert driverRequiredAlert(const Localizer& texts, const std::string& environmentLine);

/// The wait while the Installer runs.
Alert completeInstallationAlert(const Localizer& texts);

/// Result alerts after the recheck.
Alert driverNotDetectedAlert(const Localizer& texts);
Alert approvalOrRestartRequiredAlert(const Localizer& texts, std::string_view place);
Alert installationCompleteAlert(const Localizer& texts);

/// The failure report, with `failureMessage(texts, error)` as the message.
Alert unableToContinueAlert(const Localizer& texts, const std::exception& error);

/// What the user reads of a failure: for the assistant's own errors
/// (AssistantError, RunLimitError) the text of their code in the user's
/// language, the runner's with its tool path and limit filled in; for a
/// FileSystemError ("Cannot read PATH: REASON") the text of its failure in
/// the user's language with the path and the system's reason (its code's
/// message) filled in; for any other error its what(), unchanged.
std::string failureMessage(const Localizer& texts, const std::exception& error);

/// The English title or button text of an alert shown as `shown` in the
/// language of `texts`: the development table's text under the key whose
/// text in `texts` is `shown` (the support record names alerts and buttons
/// in English). A text no alert title or button has comes back unchanged.
std::string englishAlertText(const std::string& shown, const Localizer& texts, const Localizer& english);

}  // namespace orventa
