#include "output/atomic_file.h"
#include "output/temporary_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "export/frame_guard.h"
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
void ExpectOnly(const fs::path& dir, std::size_t entries) {
  EXPECT_EQ(std::size_t(std::distance(fs::directory_iterator(dir), {})), entries);
}

// Each test runs with unnamed temporaries and, as on file systems without
// them, with named ones.
class AtomicFile : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { AllowUnnamedTemporaries(GetParam()); }
  void TearDown() override { AllowUnnamedTemporaries(true); }
};
INSTANTIATE_TEST_SUITE_P(Temporaries, AtomicFile, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Unnamed" : "Named"; });

TEST_P(AtomicFile, ReplacesWholeAndKeepsPermissionBits) {
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
  ExpectOnly(dir.Path(), 2);
}

// Large files go to the disk partly around the page cache: every byte must
// still arrive, in order, whatever the length and however the chunks split it.
TEST_P(AtomicFile, LargeFilesArriveWhole) {
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
  ExpectOnly(dir.Path(), 1);
}

TEST_P(AtomicFile, WritesThroughASymbolicLink) {
  TempDir dir;
  WriteBytes(dir / "target", kOld);
  fs::create_symlink(dir / "target", dir / "link");
  ASSERT_TRUE(Save(dir / "link").Saved);
  EXPECT_TRUE(fs::is_symlink(dir / "link"));
  EXPECT_EQ(ReadBytes(dir / "target"), kNew);
  ExpectOnly(dir.Path(), 2);
}

// Every failure leaves what was there and no temporary file behind.
TEST_P(AtomicFile, AFailureKeepsTheEarlierFile) {
  TempDir dir;
  WriteBytes(dir / "kept", kOld);
  fs::create_directory(dir / "folder");
  fs::create_symlink(dir / "nowhere", dir / "dangling");
  const ChunkWriter halfThenFail = [](int fd, std::span<const std::uint8_t> chunk) {
    [[maybe_unused]] const ssize_t written = ::write(fd, chunk.data(), chunk.size() / 2);
    return false;
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
  ExpectOnly(dir.Path(), 3);
}

// A save finished later (folder mode flushes on other threads) still fails
// cleanly when the target changed in between, and one never finished leaves
// nothing behind.
TEST_P(AtomicFile, AFinishThatFailsOrNeverComesLeavesNoTemporaryFile) {
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
  ExpectOnly(dir.Path(), 1);
}

// A folder moved away mid-save takes its temporary with it; a save into a
// folder removes our temporaries that earlier runs left there over a day ago.
TEST_P(AtomicFile, NothingOfOursStaysInAMovedFolderOrPastADay) {
  TempDir dir;
  fs::create_directory(dir / "out");
  StartedSave moved = StartSave(dir / "out/frame.bmp", {std::span(kNew)});
  ASSERT_TRUE(moved.Pending);
  fs::rename(dir / "out", dir / "moved");
  fs::create_directory(dir / "out");
  moved.Pending.reset();
  ExpectOnly(dir / "moved", 0);
  const std::vector<std::uint8_t> left(10);
  for (const char* name : {".vantorel-Old123", ".vantorel-New123", ".vantorel-Older12", "vantorel-Old123"})
    WriteBytes(dir / "out/" + name, left);
  for (const char* name : {".vantorel-Old123", ".vantorel-Older12", "vantorel-Old123"})
    fs::last_write_time(dir / "out/" + name, fs::file_time_type::clock::now() - std::chrono::hours(25));
  ASSERT_TRUE(Save(dir / "out/frame.bmp").Saved);
  // Only a run that fell back to named temporaries had any to leave.
  EXPECT_EQ(fs::exists(dir / "out/.vantorel-Old123"), GetParam());
  ExpectOnly(dir / "out", GetParam() ? 5 : 4);
}

// The guard knows a file by what it is: every spelling, link and hard link of
// a frame is the frame; a name it cannot look up is refused.
TEST(FrameGuard, KnowsAFrameByEveryNameAndRefusesWhatItCannotIdentify) {
  TempDir dir;
  WriteBytes(dir / "frame", kOld);
  WriteBytes(dir / "other", kOld);
  fs::create_directory(dir / "sub");
  fs::create_symlink(dir / "frame", dir / "sub/link");
  fs::create_directory_symlink(dir.Path(), dir / "again");
  fs::create_hard_link(dir / "frame", dir / "hard");
  fs::create_symlink(dir / "loop2", dir / "loop1");
  fs::create_symlink(dir / "loop1", dir / "loop2");
  const FrameGuard guard({dir / "missing", dir / "frame"});
  const struct {
    std::string Output;
    std::optional<std::size_t> Frame;
    bool Refused;
  } table[] = {
      {dir / "frame", 1, true},    {dir / "./frame", 1, true},     {dir / "sub/../frame", 1, true},
      {dir / "sub/link", 1, true}, {dir / "again/frame", 1, true}, {dir / "hard", 1, true},
      {dir / "loop1", {}, true},   {dir / "other", {}, false},     {dir / "missing", {}, false},
  };
  for (const auto& row : table) {
    const FrameGuard::Verdict verdict = guard.Check(row.Output);
    EXPECT_EQ(verdict.Frame, row.Frame) << row.Output;
    EXPECT_EQ(!verdict.MayWrite(), row.Refused) << row.Output;
  }
}

}  // namespace
}  // namespace vantorel
