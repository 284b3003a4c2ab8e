// The shared pieces against the real system: the directory lister and the
// descriptor owner.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "common/descriptor.h"
#include "common/directory.h"
#include "common/system_error.h"
#include "tests/support/test_support.h"

using namespace orventa;

namespace {

namespace fs = std::filesystem;

TEST(DirectoryEntries, GivesTheNamesInsideWithoutDotEntries) {
  // Removed with its scratch folder however the test ends.
  const ScratchFolder scratch("common-test");
  const fs::path folder = scratch.path() / "dev";
  fs::create_directories(folder / "cu.wchusbserial1410");
  std::ofstream(folder / "a file with spaces").put('x');

  std::vector<std::string> names = directoryEntries(folder.string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a file with spaces", "cu.wchusbserial1410"}));
  fs::remove_all(folder);

  try {
    directoryEntries(folder.string());
    ADD_FAILURE() << "a missing folder was listed";
  } catch (const std::system_error& failure) {
    EXPECT_EQ(failure.code(), std::error_code(ENOENT, std::system_category()));
    EXPECT_EQ(std::string(failure.what()), "Cannot list " + folder.string() + ": " + std::strerror(ENOENT));
    // What the user's language is made from.
    const auto* file = dynamic_cast<const FileSystemError*>(&failure);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->failure(), FileFailure::list);
    EXPECT_EQ(file->path(), folder.string());
  }
}

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

TEST(Descriptor, ClosesWhatItOwnsOnceAndHandsItOverOnMoveOrRelease) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  {
    Descriptor first(fds[0]);
    Descriptor second(std::move(first));
    EXPECT_EQ(first.get(), -1);
    EXPECT_EQ(second.get(), fds[0]);
    Descriptor third(fds[1]);
    third = std::move(second);  // closes fds[1], takes fds[0]
    EXPECT_FALSE(isOpen(fds[1]));
    EXPECT_TRUE(isOpen(fds[0]));
    EXPECT_EQ(third.release(), fds[0]);
  }
  EXPECT_TRUE(isOpen(fds[0])) << "a released descriptor was closed";
  {
    const Descriptor last(fds[0]);
  }
  EXPECT_FALSE(isOpen(fds[0]));
}

}  // namespace
