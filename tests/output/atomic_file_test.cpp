#include "output/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/test_support.h"

namespace vantorel {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

const std::vector<std::uint8_t> kOld(100, 0x11), kNew(3000, 0x22);

SaveOutcome Save(const std::string& path) { return SaveFileAtomically(path, {std::span(kNew)}); }

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0);
  return info.st_mode & 07777;
}

// Nothing but the names given may be left in the folder: no temporary file.
void ExpectOnly(const TempDir& dir, std::size_t entries) {
  EXPECT_EQ(std::size_t(std::distance(fs::directory_iterator(dir.Path()), {})), entries);
}

TEST(SaveFileAtomically, ReplacesWholeAndKeepsPermissionBits) {
  TempDir dir;
  WriteBytes(dir / "old", kOld);
  ASSERT_EQ(::chmod((dir / "old").c_str(), 0640), 0);
  ASSERT_TRUE(Save(dir / "old").Saved);
  ASSERT_TRUE(Save(dir / "new").Saved);
  EXPECT_EQ(ReadBytes(dir / "old"), kNew);
  EXPECT_EQ(ModeOf(dir / "old"), 0640u);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(ModeOf(dir / "new"), 0666u & ~mask);
  ExpectOnly(dir, 2);
}

TEST(SaveFileAtomically, WritesThroughASymbolicLink) {
  TempDir dir;
  WriteBytes(dir / "target", kOld);
  fs::create_symlink(dir / "target", dir / "link");
  ASSERT_TRUE(Save(dir / "link").Saved);
  EXPECT_TRUE(fs::is_symlink(dir / "link"));
  EXPECT_EQ(ReadBytes(dir / "target"), kNew);
  ExpectOnly(dir, 2);
}

// Every failure leaves what was there and no temporary file behind.
TEST(SaveFileAtomically, AFailureKeepsTheEarlierFile) {
  TempDir dir;
  WriteBytes(dir / "kept", kOld);
  fs::create_directory(dir / "folder");
  fs::create_symlink(dir / "nowhere", dir / "dangling");
  const ChunkWriter halfThenFail = [](int fd, std::span<const std::uint8_t> chunk) {
    return ::write(fd, chunk.data(), chunk.size() / 2) < 0 && false;
  };
  const struct {
    std::string Path;
    bool FailMidway;
  } table[] = {{dir / "kept", true},
               {dir / "folder", false},
               {dir / "dangling", false},
               {dir / "missing/x", false},
               {"", false}};
  for (const auto& row : table) {
    const SaveOutcome outcome =
        row.FailMidway ? SaveFileAtomically(row.Path, {std::span(kNew)}, halfThenFail) : Save(row.Path);
    EXPECT_FALSE(outcome.Saved) << row.Path;
    EXPECT_FALSE(outcome.Error.empty()) << row.Path;
  }
  EXPECT_EQ(ReadBytes(dir / "kept"), kOld);
  EXPECT_TRUE(fs::is_empty(dir / "folder"));
  ExpectOnly(dir, 3);
}

TEST(SameDirectoryEntry, FollowsSpellingsAndLinksButNotHardLinks) {
  TempDir dir;
  WriteBytes(dir / "frame", kOld);
  fs::create_directory(dir / "sub");
  fs::create_symlink(dir / "frame", dir / "sub/link");
  fs::create_directory_symlink(dir.Path(), dir / "again");
  fs::create_hard_link(dir / "frame", dir / "hard");
  const std::string frame = dir / "frame";
  const std::pair<std::string, bool> table[] = {
      {frame, true},
      {dir / "./frame", true},
      {dir / "sub/../frame", true},
      {dir / "sub/link", true},
      {dir / "again/frame", true},
      {dir / "hard", false},
      {dir / "missing", false},
      {dir / "sub", false},
  };
  for (const auto& [other, same] : table) EXPECT_EQ(SameDirectoryEntry(other, frame), same) << other;
}

}  // namespace
}  // namespace vantorel
