#include "frames/frame_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::PatternByte;
using testing::PatternFrameFile;
using testing::TempDir;
using testing::WriteBytes;

struct Loaded {
  FrameRead read;
  FrameBuffer pristine = MakeFrameBuffer();
};

Loaded LoadBytes(const TempDir& dir, const std::vector<std::uint8_t>& bytes) {
  const std::string path = dir / "FRAME01.001";
  WriteBytes(path, bytes);
  Loaded loaded{ReadFrameFile(path)};
  ArrangeFrame(loaded.read.WorkFrame, loaded.pristine);
  return loaded;
}

std::uint8_t LineSample(const FrameBuffer& frame, int line, int offsetInRecord) {
  return frame[std::size_t(line) * RecordBytes + std::size_t(offsetInRecord)];
}

TEST(FrameFile, Mariner9MarkDropsFileRecordOne) {
  TempDir dir;
  auto bytes = PatternFrameFile(FullFrameFileBytes);
  bytes[Mariner9MarkOffset] = Mariner9MarkByte;
  const Loaded loaded = LoadBytes(dir, bytes);

  EXPECT_EQ(loaded.read.BytesRead, FullFrameFileBytes);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + RecordBytes, loaded.read.WorkFrame.begin()));
  EXPECT_EQ(loaded.read.WorkFrame[968], bytes[1936]);
  EXPECT_EQ(LineSample(loaded.read.WorkFrame, 700, 5), PatternByte(701, 5));
  EXPECT_EQ(LineSample(loaded.read.WorkFrame, 724, 967), PatternByte(725, 967));
  EXPECT_EQ(LineCountFor(loaded.read.BytesRead), 700);
  EXPECT_EQ(loaded.read.WorkFrame, loaded.pristine);
}

TEST(FrameFile, OtherMarkKeepsTheFileAsRead) {
  TempDir dir;
  auto bytes = PatternFrameFile(FullFrameFileBytes);
  bytes[Mariner9MarkOffset] = 0xF8;
  const Loaded loaded = LoadBytes(dir, bytes);
  EXPECT_EQ(loaded.read.WorkFrame, FrameBuffer(bytes.begin(), bytes.end()));
  EXPECT_EQ(loaded.pristine, loaded.read.WorkFrame);
  EXPECT_EQ(LineSample(loaded.read.WorkFrame, 1, 0), PatternByte(1, 0));
}

TEST(FrameFile, LastRecordIsClearedByTheMariner9Arrangement) {
  TempDir dir;
  auto bytes = PatternFrameFile(FullFrameFileBytes);
  bytes[Mariner9MarkOffset] = Mariner9MarkByte;
  FrameBuffer pristine(FrameBytes, 0xAA);  // an earlier frame's bytes
  FrameBuffer work(bytes.begin(), bytes.end());
  ArrangeFrame(work, pristine);
  for (std::size_t i = 725 * RecordBytes; i < FrameBytes; ++i) ASSERT_EQ(pristine[i], 0) << i;
}

struct SizeCase {
  std::size_t fileBytes;
  bool mariner9;
  std::int32_t bytesRead;
  int lineCount;
};

class FrameFileSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FrameFileSizes, ReadsAtMostOneFrameAndZeroFillsTheRest) {
  const SizeCase c = GetParam();
  TempDir dir;
  auto bytes = PatternFrameFile(c.fileBytes);
  if (c.mariner9 && bytes.size() > Mariner9MarkOffset) bytes[Mariner9MarkOffset] = Mariner9MarkByte;
  const Loaded loaded = LoadBytes(dir, bytes);
  EXPECT_EQ(loaded.read.BytesRead, c.bytesRead);
  EXPECT_EQ(LineCountFor(loaded.read.BytesRead), c.lineCount);
  EXPECT_TRUE(loaded.read.Error.empty());
  ASSERT_EQ(loaded.read.WorkFrame.size(), FrameBytes);
  if (!c.mariner9) {
    for (std::size_t i = std::min<std::size_t>(c.fileBytes, FrameBytes); i < FrameBytes; ++i)
      ASSERT_EQ(loaded.read.WorkFrame[i], 0) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, FrameFileSizes,
                         ::testing::Values(SizeCase{670'824, false, 670'824, 692},
                                           SizeCase{704'176, false, 702'768, 700},
                                           SizeCase{704'176, true, 702'768, 700},
                                           SizeCase{1'936, false, 1'936, 1},
                                           SizeCase{1'935, false, 1'935, 0},
                                           SizeCase{967, false, 967, -1},
                                           SizeCase{0, false, 0, -1}));

TEST(FrameFile, ShortMariner9FrameKeepsBytesReadAndShiftsLines) {
  TempDir dir;
  auto bytes = PatternFrameFile(ShortFrameFileBytes);
  bytes[Mariner9MarkOffset] = Mariner9MarkByte;
  const Loaded loaded = LoadBytes(dir, bytes);
  EXPECT_EQ(LineCountFor(loaded.read.BytesRead), 692);
  // Line L is file record L + 1: the file's last record (692) is line 691.
  EXPECT_EQ(LineSample(loaded.read.WorkFrame, 691, 10), PatternByte(692, 10));
  for (int s = 0; s < RecordBytes; ++s) ASSERT_EQ(LineSample(loaded.read.WorkFrame, 692, s), 0);
}

TEST(FrameFile, UnreadablePathsGiveMinusOneAndAReason) {
  TempDir dir;
  std::filesystem::create_directory(dir.Path() / "folder.001");
  const std::string fifo = dir / "pipe.001";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {dir / "missing.001", dir / "folder.001", fifo}) {
    const FrameRead read = ReadFrameFile(path);  // a FIFO must not hang
    EXPECT_EQ(read.BytesRead, -1) << path;
    EXPECT_FALSE(read.Error.empty()) << path;
    EXPECT_EQ(std::count(read.WorkFrame.begin(), read.WorkFrame.end(), 0), std::ptrdiff_t(FrameBytes)) << path;
  }
}

TEST(FramePaths, SplitNameAndDirectory) {
  EXPECT_EQ(FileNamePart("/data/MVM/MVE0101.012"), "MVE0101.012");
  EXPECT_EQ(DirectoryPart("/data/MVM/MVE0101.012"), "/data/MVM/");
  EXPECT_EQ(FileNamePart("plain.001"), "plain.001");
  EXPECT_EQ(DirectoryPart("plain.001"), "./");
}

}  // namespace
}  // namespace vantorel
