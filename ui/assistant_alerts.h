#pragma once
// The assistant's alerts: every text a user reads in normal mode.

#include <string>
#include <vector>

#include "ui/alert.h"

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

/// First alerts, by initial driver state. Each begins with `environmentLine`.
Alert driverCheckCompleteAlert(const std::string& environmentLine, bool serialPortPresent);
Alert driverNeedsAttentionAlert(const std::string& environmentLine);
Alert driverRequiredAlert(const std::string& environmentLine);

/// The wait while the Installer runs.
Alert completeInstallationAlert();

/// Result alerts after the recheck.
Alert driverNotDetectedAlert();
Alert approvalOrRestartRequiredAlert();
Alert installationCompleteAlert();

/// The failure report: `errorMessage` unchanged as the message.
Alert unableToContinueAlert(const std::string& errorMessage);
