#include "package/embedded_package.h"

#include <ctime>
#include <optional>
#include <string_view>

#include "driver/build_constants.h"
#include "package/bundle_resource.h"
#include "package/package_verification.h"
#include "package/stale_copies.h"
#include "package/temporary_folder.h"

namespace orventa {

namespace {

// A new private copy in the safe temporary folder, after removing the
// copies earlier runs left there for the Installer (or left when they were
// killed). The cleanup runs first, so this run's copy is never among them.
std::unique_ptr<PackageCopy> newPrivateCopy(const EventLog& log) {
  const TemporaryFolderOperations operations = realTemporaryFolderOperations();
  return privateCopyInTemporaryFolder(
      operations,
      // By value: a full folder moves the copy to the fallback while it is
      // written, after this function has returned.
      [user = operations.user](const std::string& folder) {
        removeStaleCopies({folderEntries, removeTree}, folder, user, static_cast<std::int64_t>(std::time(nullptr)));
        return makePrivateCopy(folder);
      },
      log);
}

// privateCopyFileName as the bundle looks a resource up: its name and its
// extension.
std::optional<std::string> packageAmongResources() {
  const std::string_view file = privateCopyFileName;
  const std::string_view::size_type dot = file.rfind('.');
  return mainBundleResourcePath(std::string(file.substr(0, dot)), std::string(file.substr(dot + 1)));
}

VerifiedPackage verifiedEmbeddedPackage(const ToolRunner& runner, const EventLog& log) {
  PackageOperations operations;
  operations.findPackage = packageAmongResources;
  operations.readChunks = readFileChunks;
  operations.makeCopy = [&log] { return newPrivateCopy(log); };
  operations.run = runner;
  operations.log = log;
  return verifiedPackage(operations, expectedInstallerSHA256, expectedSigner);
}

}  // namespace

std::string embeddedPackage(const ToolRunner& runner, const EventLog& log) {
  return verifiedEmbeddedPackage(runner, log).keep();
}

void checkEmbeddedPackage(const ToolRunner& runner, const EventLog& log) {
  verifiedEmbeddedPackage(runner, log);
}

}  // namespace orventa
