#include "ui/recorded_alert.h"

#include <utility>

namespace orventa {

namespace {

using RecordedText = std::function<std::string(const std::string& shown)>;

std::string recorded(const RecordedText& recordedText, const std::string& shown) {
  return quotedForLog(recordedText ? recordedText(shown) : shown);
}

std::string answerText(AlertResponse response, const std::vector<std::string>& buttons,
                       const RecordedText& recordedText) {
  const AlertResponse index = response - firstButtonResponse;
  if (index >= 0 && index < static_cast<AlertResponse>(buttons.size()))
    return recorded(recordedText, buttons[static_cast<std::size_t>(index)]);
  return "response " + std::to_string(response);
}

}  // namespace

AlertPresenter recordingPresenter(AlertPresenter presenter, EventLog log, std::function<bool()> answeredByEndOfInput,
                                  RecordedText recordedText) {
  return [presenter = std::move(presenter), log = std::move(log), endOfInput = std::move(answeredByEndOfInput),
          recordedText = std::move(recordedText)](
             const std::string& title, const std::string& message, const std::vector<std::string>& buttons,
             AlertStyle style) {
    const AlertResponse response = presenter(title, message, buttons, style);
    if (log) {
      try {
        const bool byEndOfInput = endOfInput && endOfInput();
        logEvent(log, LogCategory::flow,
                 "alert " + recorded(recordedText, title) + ": " + (byEndOfInput ? "end of input, " : "") +
                     answerText(response, buttons, recordedText));
      } catch (...) {
        // No record, same answer.
      }
    }
    return response;
  };
}

}  // namespace orventa
