#include "ui/localized_text.h"

#include <cstddef>

namespace orventa {

std::string formattedText(std::string_view format, std::initializer_list<std::string_view> arguments) {
  std::string text;
  std::size_t i = 0;
  while (i < format.size()) {
    // "%N$@": a percent sign, one digit from 1 to 9, "$@".
    if (format[i] == '%' && i + 3 < format.size() && format[i + 1] >= '1' && format[i + 1] <= '9' &&
        format[i + 2] == '$' && format[i + 3] == '@') {
      const auto number = static_cast<std::size_t>(format[i + 1] - '0');
      if (number <= arguments.size()) {
        text += arguments.begin()[number - 1];
        i += 4;
        continue;
      }
    }
    text += format[i++];
  }
  return text;
}

}  // namespace orventa
