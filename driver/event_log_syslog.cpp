#include <syslog.h>

#include "driver/event_log.h"

void writeSystemLog(LogCategory category, const std::string& line) noexcept {
  // Without LOG_NDELAY nothing is opened here: the first record connects to
  // /dev/log, and a missing /dev/log only makes each record a failed connect.
  // No LOG_CONS and no LOG_PERROR: a record never goes to a terminal.
  static const bool opened = (::openlog("DriverAssistant", LOG_PID, LOG_USER), true);
  (void)opened;
  const std::string_view name = logCategoryName(category);
  ::syslog(LOG_USER | LOG_NOTICE, "%.*s: %s", static_cast<int>(name.size()), name.data(), line.c_str());
}
