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

// Large files go to the disk partly around the page cache: every byte must
// still arrive, in order, whatever the length and however the chunks split it.
TEST(SaveFileAtomically, LargeFilesArriveWhole) {
  TempDir dir;
  std::vector<std::uint8_t> bytes(1'747'254);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = std::uint8_t(i * 7 + i / 4096);
  const std::span<const std::uint8_t> all(bytes);
  const std::vector<SaveChunks> table = {{all},                   // the BMP's length: a tail after the last whole page
                                         {all.first(16 * 4096)},  // whole pages only
                                         {all.first(54), all.subspan(54, 70'001)}};  // a header chunk, then the rest
  for (const SaveChunks& chunks : table) {
    std::vector<std::uint8_t> expected;
    for (const auto& chunk : chunks) expected.insert(expected.end(), chunk.begin(), chunk.end());
    ASSERT_TRUE(SaveFileAtomically(dir / "large", chunks).Saved);
    EXPECT_TRUE(ReadBytes(dir / "large") == expected) << expected.size();
  }
  ExpectOnly(dir, 1);
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

// A save finished later (folder mode flushes on other threads) still fails
// cleanly when the target changed in between, and one never finished leaves
// nothing behind.
TEST(PendingSave, AFinishThatFailsOrNeverComesLeavesNoTemporaryFile) {
  TempDir dir;
  StartedSave changed = StartSave(dir / "became-a-folder", {std::span(kNew)});
  StartedSave dropped = StartSave(dir / "dropped", {std::span(kNew)});
  ASSERT_TRUE(changed.Pending && dropped.Pending);
  fs::create_directory(dir / "became-a-folder");
  const SaveOutcome outcome = changed.Pending->Finish();
  EXPECT_FALSE(outcome.Saved);
  EXPECT_FALSE(outcome.Error.empty());
  dropped.Pending.reset();
  EXPECT_TRUE(fs::is_empty(dir / "became-a-folder"));
  ExpectOnly(dir, 1);
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
