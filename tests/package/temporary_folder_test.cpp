// Where the private copy may go: only under folders that no other user can
// write to, or in which the sticky bit keeps them from renaming what is not
// theirs.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <span>
#include <system_error>

#include "package/copy_removal_on_signal.h"
#include "package/temporary_folder.h"
#include "tests/support/test_support.h"

using namespace orventa;

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t user = 501;
constexpr std::uint32_t root = 0;
constexpr std::uint32_t otherUser = 502;

// A folder on the way as lstat() reports it.
FileStatus folderStatus(std::string name, std::uint32_t owner, std::uint32_t permissions) {
  return {.name = std::move(name), .isFolder = true, .owner = owner, .permissions = permissions};
}

TEST(UnsafeFolderReason, OwnersAndModesOfTheLastFolder) {
  const struct {
    std::uint32_t owner;
    std::uint32_t mode;
    const char* reason;  // empty: safe
  } cases[] = {
      {user, 0700, ""},
      {user, 0755, ""},
      {user, 0777, "\"/a/t\" may be written by other users and has no sticky bit"},
      {user, 01777, ""},
      {user, 0775, "\"/a/t\" may be written by other users and has no sticky bit"},
      {root, 0700, ""},
      {root, 0755, ""},
      {root, 0777, "\"/a/t\" may be written by other users and has no sticky bit"},
      {root, 01777, ""},
      {otherUser, 0700, "\"/a/t\" belongs to user 502"},
      {otherUser, 0755, "\"/a/t\" belongs to user 502"},
      {otherUser, 0777, "\"/a/t\" belongs to user 502"},
      {otherUser, 01777, "\"/a/t\" belongs to user 502"},
  };
  for (const auto& c : cases) {
    const std::vector<FileStatus> folders = {folderStatus("/", root, 0755), folderStatus("/a", root, 0755),
                                             {"/a/t", true, c.owner, c.mode}};
    EXPECT_EQ(unsafeFolderReason(folders, user), c.reason) << "owner " << c.owner << ", mode 0" << std::oct << c.mode;
  }
}

TEST(UnsafeFolderReason, EveryFolderOnTheWayCounts) {
  const FileStatus top = folderStatus("/", root, 0755);
  const FileStatus mine = folderStatus("/u/t", user, 0700);
  const struct {
    const char* name;
    FileStatus middle;
    const char* reason;
  } cases[] = {
      {"a sound path", folderStatus("/u", root, 0755), ""},
      {"open to all above a private folder", folderStatus("/u", root, 0777),
       "\"/u\" may be written by other users and has no sticky bit"},
      {"another user's above", folderStatus("/u", otherUser, 0755), "\"/u\" belongs to user 502"},
      {"a link on the way", {.name = "/u", .isFolder = false, .owner = user, .permissions = 0777},
       "\"/u\" is not a folder"},
  };
  for (const auto& c : cases) EXPECT_EQ(unsafeFolderReason({top, c.middle, mine}, user), c.reason) << c.name;
}

// A copy that only says where it was made.
class CopyIn final : public PackageCopy {
 public:
  explicit CopyIn(std::string folder) : path_(std::move(folder)) {}
  const std::string& path() const override { return path_; }
  void append(std::span<const unsigned char>) override {}
  void close() override {}
  void remove() noexcept override {}

 private:
  std::string path_;
};

struct Outcome {
  std::string folder;  // where the copy was made; empty when none was
  std::string error;   // what() of the failure
  std::vector<std::string> records;
};

Outcome chosenFolder(const TemporaryFolderOperations& operations,
                     const std::function<void(const std::string&)>& beforeCopy = {}) {
  Outcome outcome;
  try {
    outcome.folder = privateCopyInTemporaryFolder(
                         operations,
                         [&](const std::string& folder) {
                           if (beforeCopy) beforeCopy(folder);
                           return std::make_unique<CopyIn>(folder);
                         },
                         [&](LogCategory, const std::string& line) { outcome.records.push_back(line); })
                         ->path();
  } catch (const std::exception& failure) {
    outcome.error = failure.what();
  }
  return outcome;
}

// Folders without links, safe unless named in `unsafe` (then at 0777).
TemporaryFolderOperations fakeOperations(std::string requested, std::string fallback,
                                         std::vector<std::string> unsafe = {}) {
  TemporaryFolderOperations operations;
  operations.requested = std::move(requested);
  operations.fallback = std::move(fallback);
  operations.user = user;
  operations.resolve = [](const std::string& folder) { return folder; };
  operations.foldersOnTheWay = [unsafe](const std::string& folder) {
    const bool open = std::find(unsafe.begin(), unsafe.end(), folder) != unsafe.end();
    return std::vector<FileStatus>{folderStatus("/", root, 0755), folderStatus(folder, user, open ? 0777u : 0700u)};
  };
  operations.longestGuardedPath = 4095;
  return operations;
}

[[noreturn]] void failWith(int error, const std::string& folder) {
  throw std::system_error(error, std::system_category(), "Cannot create " + folder + "/x");
}

std::string systemText(int error) { return std::system_category().message(error); }

// The other user's folder, root's own, a read-only or full file system: a
// folder that passes the rule but takes no copy falls back as an unsafe one.
TEST(PrivateCopyInTemporaryFolder, AFolderThatCannotTakeTheCopyFallsBack) {
  for (const int error : {EACCES, EPERM, EROFS, ENOENT, ENOSPC, EDQUOT}) {
    const Outcome outcome = chosenFolder(fakeOperations("/t", "/f"), [&](const std::string& folder) {
      if (folder == "/t") failWith(error, folder);
    });
    EXPECT_EQ(outcome.folder, "/f") << systemText(error);
    EXPECT_EQ(outcome.records, std::vector<std::string>{"temporary folder \"/t\" refused: \"Cannot create /t/x: " +
                                                        systemText(error) + "\"; using \"/f\""});
  }
}

TEST(PrivateCopyInTemporaryFolder, FailuresWhereNoFolderHelps) {
  const std::string permission = systemText(EACCES);
  const struct {
    const char* name;
    TemporaryFolderOperations operations;
    std::function<void(const std::string&)> beforeCopy = {};  // none: nothing happens first
    std::string error;
    std::vector<std::string> records;
  } cases[] = {
      {.name = "the fallback is held to the same rule",
       .operations = fakeOperations("/t", "/f", {"/t", "/f"}),
       .error = "Cannot create a private copy in /f: " + permission,
       .records = {"temporary folder \"/t\" refused: \"/t\" may be written by other users and has no sticky bit; "
                   "using \"/f\"",
                   "temporary folder \"/f\" refused: \"/f\" may be written by other users and has no sticky bit"}},
      {.name = "an unsafe fallback after a failed creation",
       .operations = fakeOperations("/t", "/f", {"/f"}),
       .beforeCopy = [](const std::string& folder) { failWith(EROFS, folder); },
       .error = "Cannot create a private copy in /f: " + permission,
       .records = {"temporary folder \"/t\" refused: \"Cannot create /t/x: " + systemText(EROFS) +
                       "\"; using \"/f\"",
                   "temporary folder \"/f\" refused: \"/f\" may be written by other users and has no sticky bit"}},
      {.name = "creation fails in both: the fallback's error",
       .operations = fakeOperations("/t", "/f"),
       .beforeCopy = [](const std::string& folder) { failWith(folder == "/t" ? EROFS : ENOSPC, folder); },
       .error = "Cannot create /f/x: " + systemText(ENOSPC),
       .records = {"temporary folder \"/t\" refused: \"Cannot create /t/x: " + systemText(EROFS) +
                       "\"; using \"/f\"",
                   "temporary folder \"/f\" refused: \"Cannot create /f/x: " + systemText(ENOSPC) + "\""}},
      {.name = "the fallback itself (no TMPDIR) is tried once",
       .operations = fakeOperations("/f", "/f"),
       .beforeCopy = [](const std::string& folder) { failWith(EACCES, folder); },
       .error = "Cannot create /f/x: " + permission,
       .records = {"temporary folder \"/f\" refused: \"Cannot create /f/x: " + permission + "\""}},
      {.name = "another error passes through at once",
       .operations = fakeOperations("/t", "/f"),
       .beforeCopy = [](const std::string& folder) { failWith(EIO, folder); },
       .error = "Cannot create /t/x: " + systemText(EIO),
       .records = {}},
  };
  for (const auto& c : cases) {
    int copies = 0;
    const Outcome outcome = chosenFolder(c.operations, [&](const std::string& folder) {
      ++copies;
      if (c.beforeCopy) c.beforeCopy(folder);
    });
    EXPECT_EQ(outcome.folder, "") << c.name;
    EXPECT_EQ(outcome.error, c.error) << c.name;
    EXPECT_EQ(outcome.records, c.records) << c.name;
    // A folder the rule refused is never written.
    EXPECT_LE(copies, 2) << c.name;
  }
}

// A copy whose file system is full: its reserve() or its writes fail with
// `error` (none: they do not fail) from the write numbered `failingWrite`
// on; it notes its removal in `removed`.
class FullCopy final : public PackageCopy {
 public:
  FullCopy(std::string folder, int error, bool failReserve, int failingWrite, std::vector<std::string>& removed)
      : path_(std::move(folder)), error_(error), failReserve_(failReserve), failingWrite_(failingWrite),
        removed_(removed) {}
  const std::string& path() const override { return path_; }
  void reserve(std::uint64_t) override {
    if (failReserve_) failWith(error_, path_);
  }
  void append(std::span<const unsigned char>) override {
    if (failingWrite_ >= 0 && writes_++ >= failingWrite_) failWith(error_, path_);
  }
  void close() override {}
  void remove() noexcept override { removed_.push_back(path_); }

 private:
  std::string path_;
  int error_;
  bool failReserve_;
  int failingWrite_;
  int writes_ = 0;
  std::vector<std::string>& removed_;
};

TEST(PrivateCopyInTemporaryFolder, AFolderWithRoomForTheCopysFolderButNotThePackageFallsBack) {
  // Made in /t, the copy does not fit: it is removed, the reason recorded,
  // and the fallback's copy takes its place, once.
  const unsigned char bytes[] = {'p', 'k', 'g'};
  enum class Fails { reserve, firstWrite, secondWrite };
  const struct {
    const char* name;
    int error;
    Fails fails;
    bool fallbackFull = false;
    std::string folder = {};  // where the bytes went; empty: the write failed
    std::vector<std::string> removed;
    std::vector<std::string> records;
  } cases[] = {
      {.name = "no room for the size",
       .error = ENOSPC,
       .fails = Fails::reserve,
       .folder = "/f",
       .removed = {"/t"},
       .records = {"temporary folder \"/t\" refused: \"Cannot create /t/x: " + systemText(ENOSPC) +
                   "\"; using \"/f\""}},
      {.name = "over the quota at the first write",
       .error = EDQUOT,
       .fails = Fails::firstWrite,
       .folder = "/f",
       .removed = {"/t"},
       .records = {"temporary folder \"/t\" refused: \"Cannot create /t/x: " + systemText(EDQUOT) +
                   "\"; using \"/f\""}},
      {.name = "full after bytes were written: the write's own failure",
       .error = ENOSPC,
       .fails = Fails::secondWrite,
       .removed = {},
       .records = {}},
      {.name = "the fallback full too: tried once",
       .error = ENOSPC,
       .fails = Fails::reserve,
       .fallbackFull = true,
       .removed = {"/t"},
       .records = {"temporary folder \"/t\" refused: \"Cannot create /t/x: " + systemText(ENOSPC) +
                   "\"; using \"/f\""}},
      {.name = "another error is not a full folder",
       .error = EIO,
       .fails = Fails::reserve,
       .removed = {},
       .records = {}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> removed, records;
    std::string folder;
    try {
      const std::unique_ptr<PackageCopy> copy = privateCopyInTemporaryFolder(
          fakeOperations("/t", "/f"),
          [&](const std::string& in) -> std::unique_ptr<PackageCopy> {
            if (in == "/f" && !c.fallbackFull) return std::make_unique<CopyIn>(in);
            const int failingWrite = c.fails == Fails::firstWrite ? 0 : c.fails == Fails::secondWrite ? 1 : -1;
            return std::make_unique<FullCopy>(in, c.error, c.fails == Fails::reserve, failingWrite, removed);
          },
          [&](LogCategory, const std::string& line) { records.push_back(line); });
      copy->reserve(sizeof bytes);
      copy->append(bytes);
      copy->append(bytes);
      copy->close();
      folder = copy->path();
    } catch (const std::system_error& error) {
      EXPECT_EQ(error.code().value(), c.error) << c.name;
    }
    EXPECT_EQ(folder, c.folder) << c.name;
    EXPECT_EQ(removed, c.removed) << c.name;
    EXPECT_EQ(records, c.records) << c.name;
  }
}

TEST(PrivateCopyInTemporaryFolder, ARelativeTmpdirIsRefusedOnTheRecord) {
  const Outcome outcome = chosenFolder(fakeOperations("relative/t", "/f"));
  EXPECT_EQ(outcome.folder, "/f");
  EXPECT_EQ(outcome.records, std::vector<std::string>{
                                 "temporary folder \"relative/t\" refused: \"relative/t\" is not an absolute path; "
                                 "using \"/f\""});
}

// The removal on a signal keeps the copy's path in a fixed buffer: a folder
// whose copy path would not fit is refused, so no copy goes unguarded.
TEST(PrivateCopyInTemporaryFolder, ACopyPathTheSignalRemovalCannotHoldIsRefused) {
  const std::string folder = "/" + std::string(100, 'x');
  for (const std::size_t spare : {0, 1}) {
    TemporaryFolderOperations operations = fakeOperations(folder, "/f");
    operations.longestGuardedPath = privateCopyPathLength(folder) - 1 + spare;
    const Outcome outcome = chosenFolder(operations);
    if (spare == 1) {
      EXPECT_EQ(outcome.folder, folder);
      EXPECT_TRUE(outcome.records.empty());
    } else {
      EXPECT_EQ(outcome.folder, "/f");
      EXPECT_EQ(outcome.records,
                std::vector<std::string>{"temporary folder " + quotedForLog(folder) +
                                         " refused: the private copy's path would be longer than the " +
                                         std::to_string(operations.longestGuardedPath) +
                                         " bytes its removal on a signal can hold; using \"/f\""});
    }
  }
}

// On the real file system: TMPDIR is used (links resolved) when it is safe,
// refused with a record otherwise, and the fallback, here a folder of the
// test's own, is used instead.
TEST(PrivateCopyInTemporaryFolder, RefusesAFolderOthersMayWrite) {
  ScratchFolder scratch;
  const fs::path resolvedScratch = fs::canonical(scratch.path());
  const fs::path open = resolvedScratch / "open";
  fs::create_directory(open);
  ::chmod(open.c_str(), 0777);
  const fs::path link = resolvedScratch / "link";
  fs::create_directory_symlink(resolvedScratch, link);
  const fs::path fallback = resolvedScratch / "fallback";
  fs::create_directory(fallback);
  const fs::path gone = resolvedScratch / "gone\nsplit";
  const std::string using_ = "; using " + quotedForLog(fallback.string());
  const struct {
    std::string tmpdir;
    std::string folder;
    std::string record;
  } cases[] = {
      {resolvedScratch.string(), resolvedScratch.string(), ""},
      {link.string() + "/", resolvedScratch.string(), ""},
      {open.string(), fallback.string(),
       "temporary folder " + quotedForLog(open.string()) + " refused: " + quotedForLog(open.string()) +
           " may be written by other users and has no sticky bit" + using_},
      // The system's text is quoted like the path it names: the record stays one line.
      {gone.string(), fallback.string(),
       "temporary folder " + quotedForLog(gone.string()) + " refused: " +
           quotedForLog("Cannot resolve " + gone.string() + ": " + systemText(ENOENT)) + using_},
  };
  for (const auto& c : cases) {
    TemporaryFolderSetting setting(c.tmpdir);
    TemporaryFolderOperations operations = realTemporaryFolderOperations();
    operations.fallback = fallback.string();
    const Outcome outcome = chosenFolder(operations);
    EXPECT_EQ(outcome.folder, c.folder) << c.tmpdir;
    EXPECT_EQ(outcome.records, c.record.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.record})
        << c.tmpdir;
    for (const std::string& record : outcome.records) EXPECT_EQ(record.find('\n'), std::string::npos) << record;
  }
}

// What the program uses: TMPDIR, and the system's own place as fallback
// (a Mac's per-user folder, /tmp elsewhere), with the signal removal's
// real capacity: a TMPDIR just too long for it is refused.
TEST(PrivateCopyInTemporaryFolder, TheRealOperations) {
  ScratchFolder scratch;
  const std::string base = fs::canonical(scratch.path()).string();
  const std::size_t capacity = longestGuardedPath();
  // Nested folders of at most 200 characters each, so that the copy's path
  // is one byte longer than the capacity.
  fs::path deep = base;
  while (privateCopyPathLength(deep.string()) <= capacity) {
    // Each step adds a slash and the name; never leave one byte to add.
    const std::size_t missing = capacity + 1 - privateCopyPathLength(deep.string());
    std::size_t name = std::min<std::size_t>(200, missing - 1);
    if (missing - (name + 1) == 1) --name;
    deep /= std::string(name, 'd');
  }
  ASSERT_EQ(privateCopyPathLength(deep.string()), capacity + 1) << "the test's premise";
  {
    const std::unique_ptr<PackageCopy> copy = makePrivateCopy(base);
    EXPECT_EQ(copy->path().size(), privateCopyPathLength(base)) << copy->path();
    copy->remove();
  }
  fs::create_directories(deep);
  {
    TemporaryFolderSetting setting(deep.string());
    const TemporaryFolderOperations operations = realTemporaryFolderOperations();
    EXPECT_EQ(operations.requested, deep.string());
    EXPECT_EQ(operations.fallback, systemTemporaryFolder());
    EXPECT_EQ(operations.user, static_cast<std::uint32_t>(::geteuid()));
    TemporaryFolderOperations withOwnFallback = operations;
    withOwnFallback.fallback = base;
    EXPECT_EQ(chosenFolder(withOwnFallback).folder, base);
    // One character less, and the folder is used.
    const fs::path shorter = deep.parent_path() / deep.filename().string().substr(1);
    fs::create_directory(shorter);
    withOwnFallback.requested = shorter.string();
    EXPECT_EQ(chosenFolder(withOwnFallback).folder, shorter.string());
  }
}

}  // namespace
