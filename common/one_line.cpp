#include "common/one_line.h"

#include <cstdio>

namespace orventa {

std::string oneLine(std::string_view text) {
  std::string line;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      line += "\\n";
    } else if (c == '\r') {
      line += "\\r";
    } else if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(byte));
      line += escape;
    } else {
      line += c;
    }
  }
  return line;
}

}  // namespace orventa
