#include "ui/assistant_alerts.h"

namespace orventa {

// The paragraph breaks belong to the texts; the parts are joined as they are.

std::string environmentLine(const std::string& osVersionText) { return "Environment: " + osVersionText; }

std::string_view approvalPlace(int macOSMajorVersion) {
  // macOS 13 renamed System Preferences and its pane; macOS 15 moved the
  // approval of driver extensions into a pane of their own.
  if (macOSMajorVersion >= 15) return "System Settings > General > Login Items & Extensions > Driver Extensions";
  if (macOSMajorVersion == 11 || macOSMajorVersion == 12) return "System Preferences > Security & Privacy";
  return "System Settings > Privacy & Security";
}

Alert driverCheckCompleteAlert(const std::string& environmentLine, bool serialPortPresent) {
  const char* portLine = serialPortPresent ? "A WCH serial port is also present."
                                           : "Connect the alarm light later to check its serial port.";
  return {"Driver Check Complete",
          environmentLine +
              "\n\nThe required WCH driver is already installed and enabled. No installation is needed.\n\n" +
              portLine,
          {"OK"},
          AlertStyle::informational};
}

Alert driverNeedsAttentionAlert(const std::string& environmentLine, std::string_view place) {
  return {"Driver Needs Attention",
          environmentLine + "\n\nThe WCH driver is installed but not enabled. Check " + std::string(place) +
              " and restart the Mac.\n\nOpen the signed installer to complete or repair the installation?",
          {"Open Installer", "Cancel"},
          AlertStyle::warning};
}

Alert driverRequiredAlert(const std::string& environmentLine) {
  return {"Driver Required",
          environmentLine + "\n\nThe required WCH driver is not installed. Install it now?",
          {"Install Driver", "Cancel"},
          AlertStyle::warning};
}

Alert completeInstallationAlert() {
  return {"Complete the WCH Installation",
          "Finish the steps in the macOS Installer window. Then return here and click Recheck.",
          {"Recheck", "Close"},
          AlertStyle::informational};
}

Alert driverNotDetectedAlert() {
  return {"Driver Not Detected",
          "The installer closed, but the required driver was not detected. Open this assistant again or "
          "contact ORVENTA support.",
          {"OK"},
          AlertStyle::critical};
}

Alert approvalOrRestartRequiredAlert(std::string_view place) {
  return {"Approval or Restart Required",
          "The driver is installed but not enabled yet. Approve WCH in " + std::string(place) +
              " if requested, restart the Mac, and open this assistant again.",
          {"OK"},
          AlertStyle::warning};
}

Alert installationCompleteAlert() {
  return {"Installation Complete", "The required WCH driver is installed and enabled.", {"OK"},
          AlertStyle::informational};
}

Alert unableToContinueAlert(const std::string& errorMessage) {
  return {"Unable to Continue", errorMessage, {"OK"}, AlertStyle::critical};
}

}  // namespace orventa
