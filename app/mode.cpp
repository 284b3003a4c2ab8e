#include "app/mode.h"

namespace orventa {

RequestedMode requestedMode(int argc, const char* const* argv) {
  bool selfCheck = false;
  bool help = false;
  for (int i = 0; i < argc; ++i) {
    if (argv[i] == nullptr) continue;
    const std::string_view argument = argv[i];
    if (argument == "--self-check") {
      selfCheck = true;
    } else if (i == 0) {
      continue;  // the program's path, whatever it looks like
    } else if (argument == "--help") {
      help = true;
    } else if (argument.starts_with("--")) {
      return RequestedMode::usageError;
    }
  }
  if (selfCheck) return RequestedMode::selfCheck;
  return help ? RequestedMode::help : RequestedMode::normal;
}

}  // namespace orventa
