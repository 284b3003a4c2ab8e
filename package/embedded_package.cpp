#include "package/embedded_package.h"

#include "driver/build_constants.h"
#include "package/bundle_resource.h"
#include "package/package_verification.h"

std::string embeddedPackage() {
  PackageOperations operations;
  operations.findPackage = [] { return mainBundleResourcePath("CH34xVCPDriver", "pkg"); };
  operations.readFile = readWholeFile;
  operations.run = [](const std::string& path, const std::vector<std::string>& arguments) { return run(path, arguments, packageCheckTimeLimit); };
  return verifiedPackage(operations, expectedInstallerSHA256, expectedSigner);
}
