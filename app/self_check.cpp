#include "app/self_check.h"

#include <cstdio>
#include <exception>
#include <string>

#include "driver/build_constants.h"

namespace orventa {

namespace {

struct ClassificationCase {
  std::string extensionOutput;
  bool receiptExists;
  DriverState required;
};

const ClassificationCase classificationCases[] = {
    {std::string(driverBundleID) + " (1.0/1) [activated enabled]", false, DriverState::enabled},
    {"", true, DriverState::installedNotEnabled},
    {"", false, DriverState::notInstalled},
};

// `text` on one line: a path from outside (TMPDIR, say) may hold line feeds
// or other control characters, written as \n, \r or \xNN. Tabs stay.
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

}  // namespace

int runSelfCheck(const SelfCheckOperations& operations) {
  for (const ClassificationCase& c : classificationCases)
    if (operations.classify(c.extensionOutput, c.receiptExists) != c.required) return 1;

  try {
    operations.verifyPackage();
  } catch (const std::exception& failure) {
    std::string line = oneLine(failure.what());
    line += '\n';
    operations.writeError(line);
    return 1;
  }
  return 0;
}

}  // namespace orventa
