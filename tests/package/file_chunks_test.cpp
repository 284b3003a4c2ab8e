// The streaming read: every byte in bounded chunks, an immediate refusal of
// whatever is not a regular file, the platform's own errors, and no signal
// when the file changes underneath.

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <system_error>

#include "common/system_error.h"
#include "package/file_chunks.h"
#include "tests/support/process_probes.h"
#include "tests/support/test_support.h"

using namespace orventa;

namespace {

#ifdef EFTYPE
constexpr int notAFile = EFTYPE;
#else
constexpr int notAFile = EINVAL;
#endif

struct ReadResult {
  std::string bytes;
  std::size_t chunks = 0;
  std::size_t largestChunk = 0;
};

ReadResult readAll(const std::string& path, const std::function<void(std::size_t total)>& afterChunk = nullptr) {
  ReadResult result;
  readFileChunks(path, [&](std::span<const unsigned char> chunk) {
    result.bytes.append(reinterpret_cast<const char*>(chunk.data()), chunk.size());
    ++result.chunks;
    result.largestChunk = std::max(result.largestChunk, chunk.size());
    if (afterChunk) afterChunk(result.bytes.size());
  });
  return result;
}

std::string patterned(std::size_t size) {
  std::string contents(size, '\0');
  for (std::size_t i = 0; i < size; ++i) contents[i] = static_cast<char>((i * 131 + i / 251) & 0xff);
  return contents;
}

TEST(ReadFileChunks, GivesEveryByteInBoundedChunks) {
  ScratchFolder folder;
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, fileChunkSize, 2 * fileChunkSize + 1}) {
    const std::string contents = patterned(size);
    const ReadResult result = readAll(folder.write("some file ü " + std::to_string(size) + ".pkg", contents));
    EXPECT_EQ(result.bytes, contents) << size;
    EXPECT_LE(result.largestChunk, fileChunkSize) << size;
  }
  // Through a symbolic link to a regular file.
  const std::string target = folder.write("target.pkg", "linked");
  std::filesystem::create_symlink(target, folder.path() / "link.pkg");
  EXPECT_EQ(readAll((folder.path() / "link.pkg").string()).bytes, "linked");
}

void expectError(const std::string& name, const std::string& path, int error) {
  try {
    readAll(path);
    ADD_FAILURE() << name << ": no error";
  } catch (const std::system_error& failure) {
    EXPECT_EQ(failure.code(), std::error_code(error, std::system_category())) << name;
    EXPECT_EQ(std::string(failure.what()), "Cannot read " + path + ": " + std::strerror(error)) << name;
    const auto* file = dynamic_cast<const FileSystemError*>(&failure);
    ASSERT_NE(file, nullptr) << name;
    EXPECT_EQ(file->failure(), FileFailure::read) << name;
    EXPECT_EQ(file->path(), path) << name;
  }
}

// Each of these would hang the open or the read, or take memory without end,
// if it were treated as a file; the refusal comes before any wait.
TEST(ReadFileChunks, RefusesWhatIsNotARegularFileAtOnce) {
  ScratchFolder folder;
  const std::string fifo = (folder.path() / "fifo.pkg").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::filesystem::path zero = folder.path() / "zero.pkg";
  std::filesystem::create_symlink("/dev/zero", zero);
  const std::string socketPath = (folder.path() / "socket.pkg").string();
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

  expectError("a FIFO without a writer", fifo, notAFile);
  expectError("a link to /dev/zero", zero.string(), notAFile);
  expectError("a socket", socketPath, notAFile);
  expectError("a folder", folder.path().string(), EISDIR);
  ::close(listener);
}

TEST(ReadFileChunks, FailuresAreThePlatformsErrors) {
  ScratchFolder folder;
  expectError("missing", (folder.path() / "absent.pkg").string(), ENOENT);
  expectError("below a file", folder.write("plain", "x") + "/CH34xVCPDriver.pkg", ENOTDIR);
#ifdef __linux__
  // Opens, but the read itself fails: nothing is mapped at address 0. Linux
  // only: a Mac has no /proc, and no file that opens but fails to read.
  expectError("read fails", "/proc/self/mem", EIO);
#endif
  if (::geteuid() != 0) {
    const std::string locked = folder.write("locked.pkg", "secret");
    ::chmod(locked.c_str(), 0);
    expectError("unreadable", locked, EACCES);
  }
}

// Every read closes the file, however it ends: a read that left its
// descriptor open would leak one per verification of the package.
TEST(ReadFileChunks, LeavesNoDescriptorOpen) {
  ScratchFolder folder;
  const std::string path = folder.write("package.pkg", patterned(2 * fileChunkSize + 1));
  const std::set<std::string> before = openDescriptors();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(readAll(path).bytes.size(), 2 * fileChunkSize + 1);
    // The consumer fails at the first chunk (a full disk for the copy).
    EXPECT_THROW(readFileChunks(path, [](std::span<const unsigned char>) { throw std::runtime_error("full"); }),
                 std::runtime_error);
#ifdef __linux__
    // The read fails after the open (Linux only, as above).
    EXPECT_THROW(readAll("/proc/self/mem"), std::system_error);
#endif
  }
  EXPECT_EQ(openDescriptors(), before);
}

// Changed by someone else while it is read: the bytes differ from what the
// file held, and the process goes on (a mapping would take SIGBUS here).
// Each chunk is read after the one before it was consumed, so a change made
// while the first chunk is consumed shows in the next read.
TEST(ReadFileChunks, FileChangedWhileReadEndsWithOtherBytes) {
  ScratchFolder folder;
  const std::string original = patterned(3 * fileChunkSize);
  const std::string path = folder.write("changing.pkg", original);

  const ReadResult shortened = readAll(path, [&](std::size_t total) {
    if (total == fileChunkSize) std::filesystem::resize_file(path, fileChunkSize + 10);
  });
  EXPECT_EQ(shortened.bytes, original.substr(0, fileChunkSize + 10));

  // A file that keeps growing is read up to one byte past its size at the
  // start, not for ever.
  ScratchFolder::writeTo(path, original.substr(0, 2 * fileChunkSize));
  const ReadResult grown = readAll(path, [&](std::size_t) {
    std::ofstream(path, std::ios::binary | std::ios::app) << std::string(fileChunkSize, 'g');
  });
  EXPECT_EQ(grown.bytes.size(), 2 * fileChunkSize + 1);
  EXPECT_EQ(grown.bytes.substr(0, 2 * fileChunkSize), original.substr(0, 2 * fileChunkSize));
}

}  // namespace
