// The records a verification leaves for support: each step with its result,
// enough to tell which check failed and why.

#include <memory>
#include <system_error>

#include <gtest/gtest.h>

#include "package/package_verification.h"

using namespace orventa;

namespace {

constexpr std::string_view signer = "Developer ID Installer: Example (TEAM123456)";
// sha256sum of the fake package's contents, "package\n".
constexpr std::string_view contentsDigest = "4e9416efcf77b84013f263e1f9008c656861298be5aabc82f458e6e47c60d9ff";

// A private copy that keeps nothing.
class NullCopy final : public PackageCopy {
 public:
  const std::string& path() const override { return path_; }
  void append(std::span<const unsigned char>) override {}
  void close() override {}
  void remove() noexcept override {}

 private:
  std::string path_ = "/tmp/com.orventa.DriverAssistant.a1B2c3/CH34xVCPDriver.pkg";
};

struct Scenario {
  const char* name;
  bool present = true;
  int readErrno = 0;
  std::string expectedDigest = {};  // empty: contentsDigest
  std::string copyFailure = {};     // what() of a copy that cannot be made; empty: it can
  CommandResult signature{0, "1. Developer ID Installer: Example (TEAM123456)\n"};
  CommandResult assessment{0, "accepted\n"};
  std::vector<std::string> want;
};

std::vector<std::string> recordsOf(const Scenario& s) {
  std::vector<std::string> records;
  PackageOperations operations;
  operations.findPackage = [&]() -> std::optional<std::string> {
    if (!s.present) return std::nullopt;
    return "/Apps/A b.app/CH34xVCPDriver.pkg";
  };
  operations.makeCopy = [&]() -> std::unique_ptr<PackageCopy> {
    if (!s.copyFailure.empty()) throw std::system_error(EROFS, std::system_category(), s.copyFailure);
    return std::make_unique<NullCopy>();
  };
  operations.readChunks = [&](const std::string& path, const ChunkConsumer& consume, const SizeCheck&) {
    if (s.readErrno != 0) throw std::system_error(s.readErrno, std::system_category(), path);
    const std::string contents = "package\n";
    consume({reinterpret_cast<const unsigned char*>(contents.data()), contents.size()});
  };
  operations.run = [&](const std::string& path, const std::vector<std::string>&) {
    return path == "/usr/sbin/pkgutil" ? s.signature : s.assessment;
  };
  operations.log = [&](LogCategory category, const std::string& line) {
    EXPECT_EQ(category, LogCategory::package) << s.name;
    records.push_back(line);
  };
  try {
    verifiedPackage(operations, s.expectedDigest.empty() ? contentsDigest : std::string_view(s.expectedDigest), signer);
  } catch (const std::exception&) {
  }
  return records;
}

TEST(VerificationRecord, EachStepAndItsResult) {
  const std::string found = "found at \"/Apps/A b.app/CH34xVCPDriver.pkg\"";
  const std::string matches = "digest: matches " + std::string(contentsDigest);
  const std::string upper = "4E9416EFCF77B84013F263E1F9008C656861298BE5AABC82F458E6E47C60D9FF";
  const std::string unreadable =
      std::system_error(EACCES, std::system_category(), "/Apps/A b.app/CH34xVCPDriver.pkg").what();
  const std::string noCopy =
      std::system_error(EROFS, std::system_category(), "Cannot create /t\nx/com.orventa.DriverAssistant.XXXXXX").what();
  const Scenario scenarios[] = {
      {.name = "passes",
       .signature = {0, std::string(signer)},
       .assessment = {0, ""},
       .want = {found, matches, "signature check: exit status 0, signer found",
                "trust assessment: exit status 0, accepted"}},
      {.name = "missing", .present = false, .want = {"not found among the resources"}},
      {.name = "unreadable",
       .readErrno = EACCES,
       .want = {found, "cannot be read or copied: " + quotedForLog(unreadable)}},
      // The path of the temporary folder may hold a line feed: quoted, it stays on one line.
      {.name = "no copy",
       .copyFailure = "Cannot create /t\nx/com.orventa.DriverAssistant.XXXXXX",
       .want = {found, "cannot be copied: " + quotedForLog(noCopy)}},
      {.name = "digest differs in letter case only",
       .expectedDigest = upper,
       .want = {found, "digest: mismatch, expected " + upper + ", actual " + std::string(contentsDigest)}},
      {.name = "another signer",
       .signature = {0, "Developer ID Installer: Other (X)"},
       .want = {found, matches, "signature check: exit status 0, signer not found"}},
      {.name = "signature check fails naming the signer",
       .signature = {1, std::string(signer)},
       .want = {found, matches, "signature check: exit status 1, signer found"}},
      {.name = "assessment refuses",
       .signature = {0, std::string(signer)},
       .assessment = {3, "rejected"},
       .want = {found, matches, "signature check: exit status 0, signer found",
                "trust assessment: exit status 3, refused"}},
  };
  for (const Scenario& s : scenarios) EXPECT_EQ(recordsOf(s), s.want) << s.name;
}

}  // namespace
