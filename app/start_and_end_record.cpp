#include "app/start_and_end_record.h"

#include <string>

#include "common/event_log.h"
#include "ui/os_version.h"

namespace orventa {

void recordStart(std::string_view modeName, std::string_view language) {
  std::string record = "start: " + std::string(modeName) + ", version " ASSISTANT_VERSION ", OS " +
                       quotedForLog(operatingSystemVersionText());
  if (!language.empty()) record += ", language " + quotedForLog(language);
  logEvent(writeSystemLog, LogCategory::app, record);
}

int recordEnd(int status) {
  logEvent(writeSystemLog, LogCategory::app, "end: exit status " + std::to_string(status));
  return status;
}

}  // namespace orventa
