#include "common/event_log.h"

#include <cstdio>

#include "common/utf8_repair.h"

namespace orventa {

std::string_view logCategoryName(LogCategory category) {
  switch (category) {
    case LogCategory::state:
      return "state";
    case LogCategory::package:
      return "package";
    case LogCategory::flow:
      return "flow";
    case LogCategory::app:
      break;
  }
  return "app";
}

void logEvent(const EventLog& log, LogCategory category, const std::string& line) noexcept {
  if (!log) return;
  try {
    log(category, line);
  } catch (...) {
    // A record that cannot be written is dropped; the run goes on unchanged.
  }
}

std::string quotedForLog(std::string_view text, std::size_t limit) {
  std::string valid = repairedUTF8(std::string(text));
  bool cut = false;
  if (valid.size() > limit) {
    // Back up to the start of a character so the cut leaves valid UTF-8.
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(valid[end]) & 0xC0) == 0x80) --end;
    valid.resize(end);
    cut = true;
  }
  std::string quoted = "\"";
  for (char c : valid) {
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\t':
        quoted += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          char escape[5];
          std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
          quoted += escape;
        } else {
          quoted += c;
        }
    }
  }
  quoted += '"';
  if (cut) quoted += "...";
  return quoted;
}

}  // namespace orventa
