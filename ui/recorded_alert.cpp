#include "ui/recorded_alert.h"

#include <utility>

namespace orventa {

namespace {

std::string answerText(AlertResponse response, const std::vector<std::string>& buttons) {
  const AlertResponse index = response - firstButtonResponse;
  if (index >= 0 && index < static_cast<AlertResponse>(buttons.size()))
    return quotedForLog(buttons[static_cast<std::size_t>(index)]);
  return "response " + std::to_string(response);
}

}  // namespace

AlertPresenter recordingPresenter(AlertPresenter presenter, EventLog log, std::function<bool()> answeredByEndOfInput) {
  return [presenter = std::move(presenter), log = std::move(log), endOfInput = std::move(answeredByEndOfInput)](
             const std::string& title, const std::string& message, const std::vector<std::string>& buttons,
             AlertStyle style) {
    const AlertResponse response = presenter(title, message, buttons, style);
    if (log) {
      try {
        const bool byEndOfInput = endOfInput && endOfInput();
        logEvent(log, LogCategory::flow,
                 "alert " + quotedForLog(title) + ": " + (byEndOfInput ? "end of input, " : "") +
                     answerText(response, buttons));
      } catch (...) {
        // No record, same answer.
      }
    }
    return response;
  };
}

}  // namespace orventa
