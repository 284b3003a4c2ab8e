#pragma once

#include <functional>

#include "common/event_log.h"
#include "ui/alert.h"

namespace orventa {

/// `presenter` with one record per alert written to `log` under
/// LogCategory::flow once the alert has been answered:
///   alert "TITLE": "BUTTON"
///   alert "TITLE": end of input, "BUTTON"   when `answeredByEndOfInput()`
///                                           is true right after the answer
///   alert "TITLE": response N               for a response that is no button
/// The message is not recorded. The response passes on unchanged.
AlertPresenter recordingPresenter(AlertPresenter presenter, EventLog log,
                               std::function<bool()> answeredByEndOfInput = {});

}  // namespace orventa
