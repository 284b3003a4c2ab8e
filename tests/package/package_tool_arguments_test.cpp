// The package as the system tools receive it, through the real read, copy
// and runner: stand-in scripts take the tools' places and log their
// arguments, and each tool gets the private copy, whose bytes are the
// package's.

#include <gtest/gtest.h>

#include <sys/stat.h>


#include "driver/build_constants.h"
#include "package/digest_text.h"
#include "package/package_verification.h"
#include "package/sha256.h"
#include "package/temporary_folder.h"
#include "tests/support/test_support.h"

using namespace orventa;

namespace {

TEST(PackageToolArguments, PathWithSpacesAndNonASCIIArrivesAsOneArgument) {
  ScratchFolder folder;
  const std::filesystem::path bundle = folder.path() / "Driver Assistänt 'ü' $HOME \"x\".app";
  std::filesystem::create_directory(bundle);
  const std::string contents = "fixture";
  const std::string package = ScratchFolder::writeTo(bundle / "CH34xVCPDriver.pkg", contents);

  // Each stand-in writes every argument in brackets to its own log.
  const std::string logArguments = "for a in \"$@\"; do printf '[%s]' \"$a\"; done > \"$0.log\"\n";
  const std::string pkgutil = ScratchFolder::writeTo(
      folder.path() / "pkgutil", "#!/bin/sh\n" + logArguments + "echo '    1. " + std::string(expectedSigner) + "'\n");
  const std::string spctl = ScratchFolder::writeTo(folder.path() / "spctl", "#!/bin/sh\n" + logArguments);
  ::chmod(pkgutil.c_str(), 0755);
  ::chmod(spctl.c_str(), 0755);

  const std::filesystem::path temporary = folder.path() / "tmp dir ü";
  std::filesystem::create_directory(temporary);
  const TemporaryFolderSetting setting(temporary.string());

  PackageOperations operations;
  operations.findPackage = [&] { return package; };
  operations.readChunks = readFileChunks;
  operations.makeCopy = [] { return makePrivateCopy(temporaryFolder()); };
  operations.run = [&](const std::string& path, const std::vector<std::string>& arguments) {
    // The tools' real places do not exist here; the arguments go through
    // untouched.
    return run(path == "/usr/sbin/pkgutil" ? pkgutil : path == "/usr/sbin/spctl" ? spctl : path, arguments,
               std::chrono::seconds(30));
  };
  const std::string digest = digestText(sha256({reinterpret_cast<const unsigned char*>(contents.data()), contents.size()}));

  const std::string copy = std::move(verifiedPackage(operations, digest, expectedSigner)).keep();
  EXPECT_EQ(std::filesystem::path(copy).parent_path().parent_path(), temporary);
  EXPECT_EQ(fileText(copy), contents);
  EXPECT_EQ(fileText(pkgutil + ".log"), "[--check-signature][" + copy + "]");
  EXPECT_EQ(fileText(spctl + ".log"), "[-a][-t][install][" + copy + "]");
}

}  // namespace
