// The private copy on the real file system, and the cleanup of copies that
// earlier runs left.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>

#include "package/private_copy.h"
#include "package/temporary_folder.h"
#include "package/stale_copies.h"
#include "tests/support/test_support.h"

using namespace orventa;

namespace {

namespace fs = std::filesystem;

mode_t permissions(const fs::path& path) {
  struct stat status {};
  ::lstat(path.c_str(), &status);
  return status.st_mode & 07777;
}

TEST(TemporaryFolder, TmpdirWhenSetElseTmp) {
  const struct {
    std::optional<std::string> tmpdir;
    std::string folder;
  } cases[] = {
      {"/var/folders/x y/T/", "/var/folders/x y/T/"},
      {std::nullopt, "/tmp"},
      {"", "/tmp"},
      // Refused by the rule beside this read (temporary_folder.h), on the record.
      {"relative/tmp", "relative/tmp"},
  };
  for (const auto& c : cases) {
    TemporaryFolderSetting setting(c.tmpdir);
    EXPECT_EQ(temporaryFolder(), c.folder) << c.tmpdir.value_or("(unset)");
  }
}

TEST(PrivateCopy, OnlyTheUserCanEnterItsFolderAndItHoldsTheBytes) {
  ScratchFolder scratch;
  // A trailing slash, as macOS writes TMPDIR, gives no double slash.
  TemporaryFolderSetting setting(scratch.path().string() + "/");
  const mode_t oldMask = ::umask(0);  // a permissive umask must not open the folder up
  std::unique_ptr<PackageCopy> copy = makePrivateCopy(temporaryFolder());
  ::umask(oldMask);

  const fs::path path = copy->path();
  const fs::path folder = path.parent_path();
  EXPECT_EQ(folder.parent_path(), scratch.path());
  EXPECT_EQ(path.filename(), "CH34xVCPDriver.pkg");
  const std::string name = folder.filename().string();
  EXPECT_EQ(name.substr(0, name.size() - 6), "com.orventa.DriverAssistant.");
  EXPECT_EQ(name.size(), std::string("com.orventa.DriverAssistant.").size() + 6);
  EXPECT_EQ(permissions(folder), 0700u);
  EXPECT_EQ(permissions(path) & 0077, 0u);

  const std::string contents("head\0tail\xff", 10);
  copy->append({reinterpret_cast<const unsigned char*>(contents.data()), 4});
  copy->append({reinterpret_cast<const unsigned char*>(contents.data()) + 4, 6});
  copy->close();
  EXPECT_EQ(fileText(path), contents);

  copy->remove();
  copy->remove();
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_TRUE(fs::is_empty(scratch.path()));
}

// As a user without privileges, the user's own umask must take nothing from
// the folder's 0700: with 0177 the user could not even put the copy in it,
// with 0400 it would be 0300, and no later run would clean it up.
TEST(PrivateCopy, ItsFolderIsTheUsersWhateverTheUmask) {
  const std::optional<UnprivilegedUser> user = unprivilegedUser();
  if (!user) GTEST_SKIP() << "this test runs as root, and there is no user \"nobody\" to drop privileges to";
  const UserScratchFolder scratch(*user);
  const fs::path folder = scratch.path();
  TemporaryFolderSetting setting(folder.string());
  for (const mode_t umask : {0000, 0022, 0077, 0177, 0400, 0477, 0777}) {
    const int result = asUnprivilegedUser(*user, [umask] {
      ::umask(umask);
      const std::unique_ptr<PackageCopy> copy = makePrivateCopy(temporaryFolder());
      copy->append({reinterpret_cast<const unsigned char*>("pkg"), 3});
      copy->close();
      const fs::path copyFolder = fs::path(copy->path()).parent_path();
      if (permissions(copyFolder) != 0700) {
        std::fprintf(stderr, "the folder's mode is %o\n", static_cast<unsigned>(permissions(copyFolder)));
        return 1;
      }
      copy->remove();
      return fs::exists(copyFolder) ? 2 : 0;
    });
    EXPECT_EQ(result, 0) << "umask " << std::oct << umask;
  }
  EXPECT_TRUE(fs::is_empty(folder));
}

TEST(PrivateCopy, SpaceFitsByTheFileSystemsFigures) {
  struct Case {
    const char* name;
    std::uint64_t size, available, total, unit;
    bool fits;
  };
  const Case cases[] = {
      {.name = "plenty", .size = 4 << 20, .available = 1000000, .total = 2000000, .unit = 4096, .fits = true},
      {.name = "one block short", .size = 8192, .available = 2, .total = 100, .unit = 4096, .fits = false},
      {.name = "exactly enough", .size = 8191, .available = 2, .total = 100, .unit = 4096, .fits = true},
      {.name = "full", .size = 1, .available = 0, .total = 100, .unit = 4096, .fits = false},
      {.name = "no figures (ramfs, tmpfs without a size)",
       .size = 4 << 20,
       .available = 0,
       .total = 0,
       .unit = 4096,
       .fits = true},
      {.name = "no block size", .size = 4 << 20, .available = 0, .total = 100, .unit = 0, .fits = true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(spaceFits(c.size, c.available, c.total, c.unit), c.fits) << c.name;
}

// Both readings of the free space run here: fstatvfs(), Linux's, and
// fstatfs(), the Mac's. On one file system they must tell the same.
TEST(PrivateCopy, BothReadingsOfTheFreeSpaceAgree) {
  ScratchFolder scratch;
  const std::string file = scratch.write("file", "x");
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  const FreeSpace byStatvfs = freeSpaceFromStatvfs(fd);
  const FreeSpace byStatfs = freeSpaceFromStatfs(fd);
  ::close(fd);
  EXPECT_EQ(byStatfs.total, byStatvfs.total);
  EXPECT_EQ(byStatfs.unit, byStatvfs.unit);
  // Other programs write meanwhile: the free counts may move a little.
  const auto near = [&](std::uint64_t a, std::uint64_t b) { return (a > b ? a - b : b - a) <= byStatvfs.total / 100; };
  EXPECT_TRUE(near(byStatfs.free, byStatvfs.free)) << byStatfs.free << " " << byStatvfs.free;
  EXPECT_TRUE(near(byStatfs.available, byStatvfs.available)) << byStatfs.available << " " << byStatvfs.available;
  EXPECT_LE(byStatfs.available, byStatfs.free);

  for (const FreeSpaceReading reading : {freeSpaceFromStatvfs, freeSpaceFromStatfs}) {
    try {
      reading(-1);
      ADD_FAILURE() << "a reading of no file";
    } catch (const std::system_error& error) {
      EXPECT_EQ(error.code(), std::error_code(EBADF, std::system_category()));
    }
  }
}

// The figures a reading gives, for the fake readings below.
FreeSpace fakeSpace;
int fakeSpaceError = 0;
FreeSpace fakeReading(int) {
  if (fakeSpaceError != 0) throw std::system_error(fakeSpaceError, std::system_category(), "fstatfs");
  return fakeSpace;
}

TEST(PrivateCopy, ReserveGoesByTheReadingsFigures) {
  ScratchFolder scratch;
  const bool root = ::geteuid() == 0;
  constexpr std::uint64_t huge = std::uint64_t{1} << 62;
  struct Case {
    const char* name;
    FreeSpaceReading reading;
    FreeSpace space = {};
    int readingError = 0;
    std::uint64_t size = 0;
    std::optional<int> error = std::nullopt;
  };
  const Case cases[] = {
      {.name = "plenty", .reading = fakeReading, .space = {100, 100, 200, 4096}, .size = 8192},
      // Past 2^32 blocks, where a 32-bit count would wrap.
      {.name = "more blocks than 32 bits count",
       .reading = fakeReading,
       .space = {std::uint64_t{1} << 33, std::uint64_t{1} << 33, std::uint64_t{1} << 34, 4096},
       .size = std::uint64_t{1} << 40},
      {.name = "full", .reading = fakeReading, .space = {0, 0, 200, 4096}, .size = 1, .error = ENOSPC},
      // Root may use the blocks kept back for it; other users may not.
      {.name = "only the blocks kept back for root",
       .reading = fakeReading,
       .space = {100, 0, 200, 4096},
       .size = 8192,
       .error = root ? std::nullopt : std::optional<int>(ENOSPC)},
      {.name = "the reading fails", .reading = fakeReading, .readingError = EIO, .size = 1, .error = EIO},
      {.name = "fstatvfs, a byte", .reading = freeSpaceFromStatvfs, .size = 1},
      {.name = "fstatfs, a byte", .reading = freeSpaceFromStatfs, .size = 1},
      {.name = "fstatvfs, more than any disk", .reading = freeSpaceFromStatvfs, .size = huge, .error = ENOSPC},
      {.name = "fstatfs, more than any disk", .reading = freeSpaceFromStatfs, .size = huge, .error = ENOSPC},
  };
  TemporaryFolderSetting setting(scratch.path().string());
  const int folder = ::open(scratch.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  const bool noFigures = freeSpaceFromStatvfs(folder).total == 0;
  ::close(folder);
  for (const Case& c : cases) {
    fakeSpace = c.space;
    fakeSpaceError = c.readingError;
    const std::unique_ptr<PackageCopy> copy = makePrivateCopy(temporaryFolder(), c.reading);
    if (c.reading != fakeReading && noFigures) {
      copy->remove();
      continue;  // a file system with no figures (ramfs) takes every size
    }
    try {
      copy->reserve(c.size);
      EXPECT_FALSE(c.error) << c.name;
    } catch (const std::system_error& error) {
      EXPECT_EQ(error.code(), std::error_code(c.error.value_or(0), std::system_category())) << c.name;
      EXPECT_EQ(std::string(error.what()).rfind("Cannot write " + copy->path() + ": ", 0), 0u) << c.name;
    }
    copy->remove();
  }
}

TEST(PrivateCopy, EachCopyHasAFolderOfItsOwn) {
  ScratchFolder scratch;
  TemporaryFolderSetting setting(scratch.path().string());
  const std::unique_ptr<PackageCopy> first = makePrivateCopy(temporaryFolder());
  const std::unique_ptr<PackageCopy> second = makePrivateCopy(temporaryFolder());
  EXPECT_NE(fs::path(first->path()).parent_path(), fs::path(second->path()).parent_path());
  first->remove();
  second->remove();
}

TEST(PrivateCopy, CannotBeMadeWhereTheTemporaryFolderIsMissing) {
  ScratchFolder scratch;
  const std::string missing = (scratch.path() / "gone").string();
  TemporaryFolderSetting setting(missing);
  try {
    makePrivateCopy(temporaryFolder());
    FAIL() << "no error";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code(), std::error_code(ENOENT, std::system_category()));
    EXPECT_NE(std::string(error.what()).find(missing + "/com.orventa.DriverAssistant."), std::string::npos);
  }
}

constexpr std::int64_t now = 1'800'000'000;
constexpr std::int64_t day = 24 * 60 * 60;
constexpr std::uint32_t user = 501;

TEST(StaleCopies, OnlyOurOwnOldPrivateFolders) {
  const struct {
    const char* why;
    FileStatus entry;
    bool stale;
  } cases[] = {
      {"an old copy", {.name = "com.orventa.DriverAssistant.a1B2c3",
        .isFolder = true, .owner = user, .permissions = 0700, .modified = now - day - 1}, true},
      {"a copy exactly one day old", {.name = "com.orventa.DriverAssistant.a1B2c3",
        .isFolder = true, .owner = user, .permissions = 0700, .modified = now - day}, false},
      {"a fresh copy", {.name = "com.orventa.DriverAssistant.a1B2c3",
        .isFolder = true, .owner = user, .permissions = 0700, .modified = now - 60}, false},
      {"another user's", {.name = "com.orventa.DriverAssistant.a1B2c3",
        .isFolder = true, .owner = user + 1, .permissions = 0700, .modified = now - 2 * day}, false},
      {"opened up to others", {.name = "com.orventa.DriverAssistant.a1B2c3",
        .isFolder = true, .owner = user, .permissions = 0755, .modified = now - 2 * day}, false},
      {"with the sticky bit", {.name = "com.orventa.DriverAssistant.a1B2c3",
        .isFolder = true, .owner = user, .permissions = 01700, .modified = now - 2 * day}, false},
      {"not a folder", {.name = "com.orventa.DriverAssistant.a1B2c3",
        .isFolder = false, .owner = user, .permissions = 0700, .modified = now - 2 * day}, false},
      {"another program's", {.name = "com.orventa.Other.a1B2c3",
        .isFolder = true, .owner = user, .permissions = 0700, .modified = now - 2 * day}, false},
      {"the bare prefix", {.name = "com.orventa.DriverAssistant.",
        .isFolder = true, .owner = user, .permissions = 0700, .modified = now - 2 * day}, false},
      {"the prefix in another case", {.name = "com.orventa.driverassistant.a1B2c3",
        .isFolder = true, .owner = user, .permissions = 0700, .modified = now - 2 * day}, false},
  };
  for (const auto& c : cases) {
    const std::vector<std::string> stale = staleCopies({c.entry}, user, now);
    EXPECT_EQ(stale.size(), c.stale ? 1u : 0u) << c.why;
  }
}

TEST(StaleCopies, ListingFailureRemovesNothing) {
  std::vector<std::string> removed;
  StaleCopyOperations operations{
      [](const std::string&) -> std::vector<FileStatus> {
        throw std::system_error(EACCES, std::system_category(), "Cannot list");
      },
      [&](const std::string& path) { removed.push_back(path); }};
  removeStaleCopies(operations, "/tmp", user, now);
  EXPECT_TRUE(removed.empty());
}

// On the real file system: an earlier run's copy goes, a fresh one, a
// look-alike link and a folder others may enter stay.
TEST(StaleCopies, RemovesAnOldCopyAndKeepsTheRest) {
  ScratchFolder scratch;
  TemporaryFolderSetting setting(scratch.path().string());
  const auto makeCopy = [](std::int64_t age) {
    std::unique_ptr<PackageCopy> copy = makePrivateCopy(temporaryFolder());
    copy->append({reinterpret_cast<const unsigned char*>("pkg"), 3});
    copy->close();
    const fs::path folder = fs::path(copy->path()).parent_path();
    const timespec times[2] = {{static_cast<std::time_t>(std::time(nullptr) - age), 0},
                               {static_cast<std::time_t>(std::time(nullptr) - age), 0}};
    ::utimensat(AT_FDCWD, folder.c_str(), times, 0);
    return folder;
  };
  const fs::path old = makeCopy(2 * day);
  const fs::path fresh = makeCopy(60);
  const fs::path shared = makeCopy(2 * day);
  ::chmod(shared.c_str(), 0755);
  // A link with the prefix to an old private folder: the folder it points
  // to is not removed through it.
  const fs::path victim = scratch.path() / "victim";
  fs::create_directory(victim);
  ScratchFolder::writeTo(victim / "keep", "x");
  ::chmod(victim.c_str(), 0700);
  const timespec oldTimes[2] = {{std::time(nullptr) - 2 * day, 0}, {std::time(nullptr) - 2 * day, 0}};
  ::utimensat(AT_FDCWD, victim.c_str(), oldTimes, 0);
  const fs::path link = scratch.path() / "com.orventa.DriverAssistant.link00";
  fs::create_directory_symlink(victim, link);

  removeStaleCopies({folderEntries, removeTree}, scratch.path().string(), static_cast<std::uint32_t>(::geteuid()),
                    static_cast<std::int64_t>(std::time(nullptr)));
  EXPECT_FALSE(fs::exists(old));
  EXPECT_TRUE(fs::exists(fresh / "CH34xVCPDriver.pkg"));
  EXPECT_TRUE(fs::exists(shared / "CH34xVCPDriver.pkg"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_TRUE(fs::exists(victim / "keep"));
}

// A stale copy that cannot be removed (here: a folder inside it that its
// owner made read-only) is skipped: the other stale copies still go, and the
// cleanup never fails, so it never stops an installation. Only a user
// without privileges meets such a folder.
TEST(StaleCopies, OneThatResistsRemovalIsSkipped) {
  const std::optional<UnprivilegedUser> user = unprivilegedUser();
  if (!user) GTEST_SKIP() << "this test runs as root, and there is no user \"nobody\" to drop privileges to";
  const UserScratchFolder scratch(*user);
  const fs::path folder = scratch.path();
  TemporaryFolderSetting setting(folder.string());
  const int result = asUnprivilegedUser(*user, [&folder] {
    const auto makeOldCopy = [] {
      std::unique_ptr<PackageCopy> copy = makePrivateCopy(temporaryFolder());
      copy->close();
      return fs::path(copy->path()).parent_path();
    };
    const fs::path resisting = makeOldCopy(), removable = makeOldCopy(), alsoRemovable = makeOldCopy();
    const fs::path locked = resisting / "locked";
    fs::create_directory(locked);
    ScratchFolder::writeTo(locked / "file", "x");
    ::chmod(locked.c_str(), 0500);
    const std::time_t old = std::time(nullptr) - 2 * day;
    const timespec times[2] = {{old, 0}, {old, 0}};
    for (const fs::path& copy : {resisting, removable, alsoRemovable}) ::utimensat(AT_FDCWD, copy.c_str(), times, 0);

    int status = 0;
    try {
      removeStaleCopies({folderEntries, removeTree}, folder.string(), static_cast<std::uint32_t>(::geteuid()),
                        static_cast<std::int64_t>(std::time(nullptr)));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "the cleanup failed: %s\n", e.what());
      status = 1;
    }
    if (status == 0 && (fs::exists(removable) || fs::exists(alsoRemovable))) status = 2;
    if (status == 0 && !fs::exists(locked / "file")) status = 3;  // this test's premise
    ::chmod(locked.c_str(), 0700);                                // so the scratch folder can go
    return status;
  });
  EXPECT_EQ(result, 0) << "1: the cleanup failed, 2: a removable stale copy stayed";
}

}  // namespace
