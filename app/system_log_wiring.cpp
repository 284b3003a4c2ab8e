#include <string>

#include "app/wiring.h"
#include "driver/logged_command.h"
#include "ui/os_version.h"

void recordStart(bool selfCheck) {
  logEvent(writeSystemLog, LogCategory::app,
           std::string("start: ") + (selfCheck ? "self-check" : "normal mode") + ", version " ASSISTANT_VERSION
               ", OS " + quotedForLog(operatingSystemVersionText()));
}

int recordEnd(int status) {
  logEvent(writeSystemLog, LogCategory::app, "end: exit status " + std::to_string(status));
  return status;
}

CommandRunner recordedRunner(LogCategory category) { return loggedRunner(run, writeSystemLog, category); }
