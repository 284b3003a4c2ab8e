#include "ui/assistant_alerts.h"

#include "common/system_error.h"
#include "driver/runner/run_limit_error.h"
#include "package/assistant_error.h"

namespace orventa {

namespace {

// The keys of every alert title and button: what the support record
// translates back to English.
constexpr std::string_view titleAndButtonKeys[] = {
    "driverCheckComplete.title", "driverNeedsAttention.title",      "driverRequired.title",
    "completeInstallation.title", "driverNotDetected.title",         "approvalOrRestartRequired.title",
    "installationComplete.title", "unableToContinue.title",          "button.ok",
    "button.cancel",              "button.openInstaller",            "button.installDriver",
    "button.recheck",             "button.close",
};

std::string_view assistantErrorKey(int code) {
  switch (static_cast<AssistantErrorCode>(code)) {
    case AssistantErrorCode::packageMissing: return "error.packageMissing";
    case AssistantErrorCode::digestMismatch: return "error.digestMismatch";
    case AssistantErrorCode::signatureMismatch: return "error.signatureMismatch";
    case AssistantErrorCode::notTrusted: return "error.notTrusted";
    case AssistantErrorCode::openFailed: return "error.openFailed";
    case AssistantErrorCode::timeLimit:
    case AssistantErrorCode::outputLimit:
      break;
  }
  return {};
}

std::string_view runLimitKey(LimitUnit unit) {
  switch (unit) {
    case LimitUnit::seconds: return "error.timeLimit.seconds";
    case LimitUnit::second: return "error.timeLimit.second";
    case LimitUnit::gibibytes: return "error.outputLimit.gibibytes";
    case LimitUnit::mebibytes: return "error.outputLimit.mebibytes";
    case LimitUnit::bytes: return "error.outputLimit.bytes";
    case LimitUnit::byte: return "error.outputLimit.byte";
  }
  return {};
}

std::string_view fileFailureKey(FileFailure failure) {
  switch (failure) {
    case FileFailure::list: return "error.cannotList";
    case FileFailure::resolve: return "error.cannotResolve";
    case FileFailure::lookAt: return "error.cannotLookAt";
    case FileFailure::read: return "error.cannotRead";
    case FileFailure::write: return "error.cannotWrite";
    case FileFailure::create: return "error.cannotCreate";
    case FileFailure::createPrivateCopy: return "error.cannotCreatePrivateCopy";
  }
  return {};
}

}  // namespace

std::string environmentLine(const Localizer& texts, const std::string& osVersionText) {
  return formattedText(texts("environmentLine"), {osVersionText});
}

std::string_view approvalPlaceKey(int macOSMajorVersion) {
  // macOS 13 renamed System Preferences and its pane; macOS 15 moved the
  // approval of driver extensions into a pane of their own.
  if (macOSMajorVersion >= 15) return "approvalPlace.macOS15";
  if (macOSMajorVersion == 11 || macOSMajorVersion == 12) return "approvalPlace.macOS11";
  return "approvalPlace.macOS13";
}

std::string_view approvalPlace(int macOSMajorVersion) {
  const std::string_view key = approvalPlaceKey(macOSMajorVersion);
  if (key == "approvalPlace.macOS15") return "System Settings > General > Login Items & Extensions > Driver Extensions";
  if (key == "approvalPlace.macOS11") return "System Preferences > Security & Privacy";
  return "System Settings > Privacy & Security";
}

Alert driverCheckCompleteAlert(const Localizer& texts, const std::string& environmentLine, bool serialPortPresent) {
  const std::string portLine = texts(serialPortPresent ? "serialPort.present" : "serialPort.absent");
  return {texts("driverCheckComplete.title"),
          formattedText(texts("driverCheckComplete.message"), {environmentLine, portLine}),
          {texts("button.ok")},
          AlertStyle::informational};
}

Alert driverNeedsAttentionAlert(const Localizer& texts, const std::string& environmentLine, std::string_view place) {
  return {texts("driverNeedsAttention.title"),
          formattedText(texts("driverNeedsAttention.message"), {environmentLine, place}),
          {texts("button.openInstaller"), texts("button.cancel")},
          AlertStyle::warning};
}

Alert driverRequiredAlert(const Localizer& texts, const std::string& environmentLine) {
  return {texts("driverRequired.title"),
          formattedText(texts("driverRequired.message"), {environmentLine}),
          {texts("button.installDriver"), texts("button.cancel")},
          AlertStyle::warning};
}

Alert completeInstallationAlert(const Localizer& texts) {
  return {texts("completeInstallation.title"),
          texts("completeInstallation.message"),
          {texts("button.recheck"), texts("button.close")},
          AlertStyle::informational};
}

Alert driverNotDetectedAlert(const Localizer& texts) {
  return {texts("driverNotDetected.title"), texts("driverNotDetected.message"), {texts("button.ok")},
          AlertStyle::critical};
}

Alert approvalOrRestartRequiredAlert(const Localizer& texts, std::string_view place) {
  return {texts("approvalOrRestartRequired.title"),
          formattedText(texts("approvalOrRestartRequired.message"), {place}),
          {texts("button.ok")},
          AlertStyle::warning};
}

Alert installationCompleteAlert(const Localizer& texts) {
  return {texts("installationComplete.title"), texts("installationComplete.message"), {texts("button.ok")},
          AlertStyle::informational};
}

Alert unableToContinueAlert(const Localizer& texts, const std::exception& error) {
  return {texts("unableToContinue.title"), failureMessage(texts, error), {texts("button.ok")}, AlertStyle::critical};
}

std::string failureMessage(const Localizer& texts, const std::exception& error) {
  if (const auto* own = dynamic_cast<const AssistantError*>(&error)) {
    const std::string_view key = assistantErrorKey(own->code());
    if (!key.empty()) return texts(key);
  }
  if (const auto* limit = dynamic_cast<const RunLimitError*>(&error)) {
    const std::string_view key = runLimitKey(limit->limit().unit);
    if (!key.empty()) return formattedText(texts(key), {limit->toolPath(), limit->limit().number});
  }
  if (const auto* file = dynamic_cast<const FileSystemError*>(&error)) {
    // The system's reason as it gives it; only the lead is the table's.
    const std::string_view key = fileFailureKey(file->failure());
    if (!key.empty()) return formattedText(texts(key), {file->path(), file->code().message()});
  }
  return error.what();
}

std::string englishAlertText(const std::string& shown, const Localizer& texts, const Localizer& english) {
  for (const std::string_view key : titleAndButtonKeys)
    if (texts(key) == shown) return english(key);
  return shown;
}

}  // namespace orventa
