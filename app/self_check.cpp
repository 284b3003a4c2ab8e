#include "app/self_check.h"

#include <exception>
#include <string>

namespace {

struct ClassificationCase {
  std::string_view extensionOutput;
  bool receiptExists;
  DriverState required;
};

constexpr ClassificationCase classificationCases[] = {
    {"cn.wch.CH34xVCPDriver (1.0/1) [activated enabled]", false, DriverState::enabled},
    {"", true, DriverState::installedNotEnabled},
    {"", false, DriverState::notInstalled},
};

}  // namespace

int runSelfCheck(const SelfCheckOperations& operations) {
  for (const ClassificationCase& c : classificationCases)
    if (operations.classify(c.extensionOutput, c.receiptExists) != c.required) return 1;

  try {
    operations.verifyPackage();
  } catch (const std::exception& failure) {
    std::string line = failure.what();
    line += '\n';
    operations.writeError(line);
    return 1;
  }
  return 0;
}
