#include "ui/terminal_alert.h"

#include <istream>
#include <optional>
#include <string>
#include <ostream>
#include <string_view>

namespace orventa {

namespace {

/// The button number a line names, if it is only digits (surrounding blanks
/// and a carriage return from a Windows-style terminal allowed) in 1..count.
std::optional<std::size_t> chosenNumber(std::string_view line, std::size_t count) {
  const auto first = line.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return std::nullopt;
  line = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
  std::size_t number = 0;
  for (char c : line) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<std::size_t>(c - '0');
    // Stops overflow on a long line of digits; nothing that big is a button.
    if (number > count) return std::nullopt;
  }
  if (number < 1) return std::nullopt;
  return number;
}

// Reads the next line into `line` without its line feed, keeping at most
// answerLineLimit bytes; `tooLong` tells whether more came. False at the end
// of input when no byte was read, as std::getline.
bool readAnswerLine(std::istream& in, std::string& line, bool& tooLong) {
  line.clear();
  tooLong = false;
  bool any = false;
  char c;
  while (in.get(c)) {
    any = true;
    if (c == '\n') return true;
    if (line.size() < answerLineLimit) {
      line += c;
    } else {
      tooLong = true;
    }
  }
  return any;
}

}  // namespace

AlertResponse showTerminalAlert(const std::string& title, const std::string& message,
                                const std::vector<std::string>& buttons, AlertStyle style,
                                std::istream& in, std::ostream& out, const Localizer& texts) {
  (void)style;
  out << title << '\n' << message << '\n';
  for (std::size_t i = 0; i < buttons.size(); ++i) out << i + 1 << ". " << buttons[i] << '\n';

  const std::size_t count = buttons.size();
  const std::string prompt = count == 1 ? texts("terminal.pressOne")
                                        : formattedText(texts("terminal.chooseRange"), {std::to_string(count)});
  const std::string hint = texts("terminal.hint");
  std::string line;
  bool tooLong = false;
  for (;;) {
    // Flushed so the prompt is on screen before the read blocks.
    out << prompt << std::flush;
    if (!readAnswerLine(in, line, tooLong)) {
      // End of input: the last button is the one that takes no action.
      out << '\n' << std::flush;
      return firstButtonResponse + static_cast<AlertResponse>(count) - 1;
    }
    if (auto number = tooLong ? std::nullopt : chosenNumber(line, count)) {
      out << '\n';
      return firstButtonResponse + static_cast<AlertResponse>(*number) - 1;
    }
    out << hint << '\n';
  }
}

}  // namespace orventa
