#include "package/embedded_package.h"

#include "driver/build_constants.h"
#include "package/bundle_resource.h"
#include "package/package_verification.h"

std::string embeddedPackage(const CommandRunner& runner, const EventLog& log) {
  PackageOperations operations;
  operations.findPackage = [] { return mainBundleResourcePath("CH34xVCPDriver", "pkg"); };
  operations.readFile = readWholeFile;
  operations.run = runner;
  operations.log = log;
  return verifiedPackage(operations, expectedInstallerSHA256, expectedSigner);
}
