#include <os/log.h>

#include "common/event_log.h"

namespace orventa {

namespace {

os_log_t categoryLog(LogCategory category) {
  // One log object per category, made on first use and kept for the
  // process's life, as unified logging intends.
  static const os_log_t logs[] = {
      os_log_create("com.orventa.DriverAssistant", "state"),
      os_log_create("com.orventa.DriverAssistant", "package"),
      os_log_create("com.orventa.DriverAssistant", "flow"),
      os_log_create("com.orventa.DriverAssistant", "app"),
  };
  return logs[static_cast<int>(category)];
}

}  // namespace

void writeSystemLog(LogCategory category, const std::string& line) noexcept {
  // The default level is kept in the log store (info only in memory), so a
  // support person finds the record after the run. Every value in a record
  // is a tool path, an argument, a status, a digest, a state or a title:
  // public, so unified logging does not redact it.
  os_log_with_type(categoryLog(category), OS_LOG_TYPE_DEFAULT, "%{public}s", line.c_str());
}

}  // namespace orventa
