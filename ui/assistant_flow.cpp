#include "ui/assistant_flow.h"

#include <exception>

#include "common/error_codes.h"
#include "package/assistant_error.h"
#include "ui/assistant_alerts.h"

namespace orventa {

namespace {

AlertResponse show(const AssistantOperations& operations, const Alert& alert) {
  return operations.showAlert(alert.title, alert.message, alert.buttons, alert.style);
}

/// The first alert, chosen by the initial state. True when it is an offer
/// that the user accepted.
bool offerAccepted(const AssistantOperations& operations, const std::string& environment, std::string_view place,
                   DriverState initial) {
  const Localizer& texts = operations.localizedText;
  switch (initial) {
    case DriverState::enabled:
      // A report, not an offer: whatever the answer, there is nothing to do.
      show(operations, driverCheckCompleteAlert(texts, environment, wchSerialPortPresent(operations.listDirectory)));
      return false;
    case DriverState::installedNotEnabled:
      return show(operations, driverNeedsAttentionAlert(texts, environment, place)) == firstButtonResponse;
    case DriverState::notInstalled:
      return show(operations, driverRequiredAlert(texts, environment)) == firstButtonResponse;
  }
  return false;
}

Alert resultAlert(const Localizer& texts, DriverState final, std::string_view place) {
  switch (final) {
    case DriverState::enabled:
      return installationCompleteAlert(texts);
    case DriverState::installedNotEnabled:
      return approvalOrRestartRequiredAlert(texts, place);
    case DriverState::notInstalled:
      break;
  }
  return driverNotDetectedAlert(texts);
}

/// Verifies and opens the package. Throws what went wrong.
void openVerifiedPackage(const AssistantOperations& operations) {
  const std::string package = operations.embeddedPackage();
  if (operations.openPackage(package)) return;
  // Nothing will read a package that was not opened: it goes before the
  // failure is shown, not a day later with the stale copies.
  if (operations.removePackage) operations.removePackage(package);
  throw AssistantError(AssistantErrorCode::openFailed);
}

}  // namespace

void runAssistant(const AssistantOperations& operations) {
  // Read first, whatever the driver state turns out to be.
  const Localizer& texts = operations.localizedText;
  const std::string environment = environmentLine(texts, operations.osVersionText());
  const std::string place = texts(approvalPlaceKey(operations.macOSMajorVersion()));

  if (!offerAccepted(operations, environment, place, operations.driverState())) return;

  try {
    openVerifiedPackage(operations);
  } catch (const std::exception& error) {
    // The user sees the message only, in their language; nothing is retried.
    show(operations, unableToContinueAlert(texts, error));
    return;
  }

  // The Installer runs on its own; only "Recheck" brings the flow back.
  if (show(operations, completeInstallationAlert(texts)) != firstButtonResponse) return;
  show(operations, resultAlert(texts, operations.driverState(), place));
}

}  // namespace orventa
