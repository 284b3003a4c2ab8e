#pragma once

#include <functional>
#include <string>

#include "common/event_log.h"
#include "ui/alert.h"

namespace orventa {

/// `presenter` with one record per alert written to `log` under
/// LogCategory::flow once the alert has been answered:
///   alert "TITLE": "BUTTON"
///   alert "TITLE": end of input, "BUTTON"   when `answeredByEndOfInput()`
///                                           is true right after the answer
///   alert "TITLE": response N               for a response that is no button
/// TITLE and BUTTON are the texts shown, put through `recordedText` when it
/// is given (production records them in English whatever the user read:
/// englishAlertText, ui/assistant_alerts.h). The message is not recorded.
/// The response passes on unchanged.
AlertPresenter recordingPresenter(AlertPresenter presenter, EventLog log,
                               std::function<bool()> answeredByEndOfInput = {},
                               std::function<std::string(const std::string& shown)> recordedText = {});

}  // namespace orventa
