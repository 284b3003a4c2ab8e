#include "package/embedded_package.h"

#include <unistd.h>

#include <ctime>

#include "driver/build_constants.h"
#include "package/bundle_resource.h"
#include "package/package_verification.h"
#include "package/stale_copies.h"

namespace {

VerifiedPackage verifiedEmbeddedPackage(const CommandRunner& runner, const EventLog& log) {
  PackageOperations operations;
  operations.findPackage = [] { return mainBundleResourcePath("CH34xVCPDriver", "pkg"); };
  operations.readChunks = readFileChunks;
  operations.makeCopy = makePrivateCopy;
  operations.run = runner;
  operations.log = log;
  return verifiedPackage(operations, expectedInstallerSHA256, expectedSigner);
}

// Removes the copies earlier runs left for the Installer. Runs before this
// run makes its own, so that one is never among them.
void removeOldCopies() {
  removeStaleCopies({folderEntries, removeTree}, temporaryFolder(), static_cast<std::uint32_t>(::geteuid()),
                    static_cast<std::int64_t>(std::time(nullptr)));
}

}  // namespace

std::string embeddedPackage(const CommandRunner& runner, const EventLog& log) {
  removeOldCopies();
  return verifiedEmbeddedPackage(runner, log).keep();
}

void checkEmbeddedPackage(const CommandRunner& runner, const EventLog& log) {
  verifiedEmbeddedPackage(runner, log);
}
