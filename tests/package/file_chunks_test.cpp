// The whole-file read: every byte, or the platform's own error.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <system_error>

#include "package/file_bytes.h"
#include "tests/package/scratch_folder.h"

namespace {

std::string text(const FileBytes& file) { return {reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()}; }

TEST(ReadWholeFile, GivesEveryByteAndKeepsThemWhileACopyLives) {
  ScratchFolder folder;
  const std::string contents("head\0middle\xff tail\n", 18);
  FileBytes copy;
  {
    FileBytes file = readWholeFile(folder.write("some file ü.pkg", contents));
    copy = file;
  }
  EXPECT_EQ(text(copy), contents);
  EXPECT_EQ(text(readWholeFile(folder.write("empty.pkg", ""))), "");
}

// Files the system reports with size 0 that still have contents, and files
// that cannot be mapped, are read to their end.
TEST(ReadWholeFile, ReadsFilesThatCannotBeMapped) {
  const FileBytes status = readWholeFile("/proc/self/status");
  EXPECT_NE(text(status).find("Pid:"), std::string::npos);

  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  const std::string sent(60000, 'x');
  ASSERT_EQ(::write(ends[1], sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
  ::close(ends[1]);
  EXPECT_EQ(text(readWholeFile("/proc/self/fd/" + std::to_string(ends[0]))), sent);
  ::close(ends[0]);
}

TEST(ReadWholeFile, FailuresAreThePlatformsErrors) {
  ScratchFolder folder;
  struct Case {
    const char* name;
    std::string path;
    int error;
  } cases[] = {
      {"missing", (folder.path() / "absent.pkg").string(), ENOENT},
      {"a folder", folder.path().string(), EISDIR},
      {"below a file", folder.write("plain", "x") + "/CH34xVCPDriver.pkg", ENOTDIR},
      // Opens, but the read itself fails: nothing is mapped at address 0.
      {"read fails", "/proc/self/mem", EIO},
  };
  for (const Case& c : cases) {
    try {
      readWholeFile(c.path);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const std::system_error& error) {
      EXPECT_EQ(error.code(), std::error_code(c.error, std::generic_category())) << c.name;
      EXPECT_EQ(std::string(error.what()), "Cannot read " + c.path + ": " + std::strerror(c.error)) << c.name;
    }
  }
}

TEST(ReadWholeFile, UnreadableFileFailsWithPermissionDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  ScratchFolder folder;
  const std::string path = folder.write("locked.pkg", "secret");
  ::chmod(path.c_str(), 0);
  try {
    readWholeFile(path);
    FAIL() << "no error";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code(), std::error_code(EACCES, std::generic_category()));
  }
}

}  // namespace
