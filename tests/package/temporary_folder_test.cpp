// Where the private copy may go: only under folders that no other user can
// write to, or in which the sticky bit keeps them from renaming what is not
// theirs.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "package/temporary_folder.h"
#include "tests/package/scratch_folder.h"

namespace {

constexpr std::uint32_t user = 501;
constexpr std::uint32_t root = 0;
constexpr std::uint32_t otherUser = 502;

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
    const std::vector<PathFolder> folders = {{"/", true, root, 0755}, {"/a", true, root, 0755},
                                             {"/a/t", true, c.owner, c.mode}};
    EXPECT_EQ(unsafeFolderReason(folders, user), c.reason) << "owner " << c.owner << ", mode 0" << std::oct << c.mode;
  }
}

TEST(UnsafeFolderReason, EveryFolderOnTheWayCounts) {
  const PathFolder top{"/", true, root, 0755};
  const PathFolder mine{"/u/t", true, user, 0700};
  const struct {
    const char* name;
    PathFolder middle;
    const char* reason;
  } cases[] = {
      {"a sound path", {"/u", true, root, 0755}, ""},
      {"open to all above a private folder", {"/u", true, root, 0777},
       "\"/u\" may be written by other users and has no sticky bit"},
      {"another user's above", {"/u", true, otherUser, 0755}, "\"/u\" belongs to user 502"},
      {"a link on the way", {"/u", false, user, 0777}, "\"/u\" is not a folder"},
  };
  for (const auto& c : cases) EXPECT_EQ(unsafeFolderReason({top, c.middle, mine}, user), c.reason) << c.name;
}

// On the real file system: TMPDIR is used (links resolved) when it is safe,
// refused with a record otherwise.
TEST(SafeTemporaryFolder, RefusesAFolderOthersMayWrite) {
  namespace fs = std::filesystem;
  ScratchFolder scratch;
  const fs::path resolvedScratch = fs::canonical(scratch.path());
  const fs::path open = resolvedScratch / "open";
  fs::create_directory(open);
  ::chmod(open.c_str(), 0777);
  const fs::path link = resolvedScratch / "link";
  fs::create_directory_symlink(resolvedScratch, link);
  const std::string tmp = fs::canonical("/tmp").string();
  const struct {
    std::string tmpdir;
    std::string folder;
    std::string record;
  } cases[] = {
      {resolvedScratch.string(), resolvedScratch.string(), ""},
      {link.string() + "/", resolvedScratch.string(), ""},
      {open.string(), tmp,
       "temporary folder \"" + open.string() + "\" refused: \"" + open.string() +
           "\" may be written by other users and has no sticky bit; using \"/tmp\""},
      {(resolvedScratch / "gone").string(), tmp,
       "temporary folder \"" + (resolvedScratch / "gone").string() +
           "\" refused: No such file or directory; using \"/tmp\""},
  };
  for (const auto& c : cases) {
    TemporaryFolderSetting setting(c.tmpdir);
    std::vector<std::string> records;
    const std::string folder =
        safeTemporaryFolder([&](LogCategory, const std::string& line) { records.push_back(line); });
    EXPECT_EQ(folder, c.folder) << c.tmpdir;
    EXPECT_EQ(records, c.record.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.record}) << c.tmpdir;
  }
}

}  // namespace
