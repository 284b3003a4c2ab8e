#include "app/self_check.h"

#include <exception>
#include <string>

#include "common/one_line.h"
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

}  // namespace

int runSelfCheck(const SelfCheckOperations& operations) {
  for (const ClassificationCase& c : classificationCases)
    if (operations.classify(c.extensionOutput, c.receiptExists) != c.required) return selfCheckFailed;

  try {
    operations.verifyPackage();
  } catch (const std::exception& failure) {
    std::string line = oneLine(failure.what());
    line += '\n';
    operations.writeError(line);
    return selfCheckFailed;
  }
  return selfCheckPassed;
}

}  // namespace orventa
