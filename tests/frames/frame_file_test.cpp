#include "frames/frame_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::PatternByte;
using testing::PatternFrameFile;
using testing::TempDir;
using testing::WriteBytes;

struct Loaded {
  FrameRead read;
  FrameBuffer pristine = FrameBuffer(FrameBytes, 0xAA);  // an earlier frame's bytes
  FrameCheck onDisk{};
};

Loaded Load(std::size_t fileBytes, bool mariner9) {
  TempDir dir;
  auto bytes = PatternFrameFile(fileBytes);
  if (mariner9 && bytes.size() > Mariner9MarkOffset) bytes[Mariner9MarkOffset] = Mariner9MarkByte;
  WriteBytes(dir / "FRAME01.001", bytes);
  Loaded loaded{ReadFrameFile(dir / "FRAME01.001")};
  loaded.onDisk = CheckFrameFile(dir / "FRAME01.001");
  ArrangeFrame(loaded.read.WorkFrame, loaded.pristine);
  return loaded;
}

std::uint8_t At(const FrameBuffer& frame, int line, int offsetInRecord) {
  return frame[std::size_t(line) * RecordBytes + std::size_t(offsetInRecord)];
}

struct SizeCase {
  std::size_t fileBytes;
  bool mariner9;
  std::int32_t bytesRead;
  int lineCount;
  int lastFileRecordLine;  // the image line holding the last record read (even in part); 0 when none
  bool isFrame;
};

class FrameFileSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FrameFileSizes, ReadsAtMostOneFrameAndArrangesMariner9Frames) {
  const SizeCase c = GetParam();
  const Loaded loaded = Load(c.fileBytes, c.mariner9);
  const FrameBuffer& work = loaded.read.WorkFrame;
  EXPECT_EQ(loaded.read.BytesRead, c.bytesRead);
  EXPECT_EQ(LineCountFor(loaded.read.BytesRead), c.lineCount);
  EXPECT_TRUE(loaded.read.Error.empty());
  EXPECT_EQ(work, loaded.pristine);
  EXPECT_EQ(CheckOf(loaded.read).IsFrame(), c.isFrame);
  EXPECT_EQ(loaded.onDisk.IsFrame(), c.isFrame);
  EXPECT_EQ(loaded.onDisk.FileBytes, c.fileBytes);
  const int shift = c.mariner9 ? 1 : 0;  // Mariner 9 line L is file record L + 1
  if (c.lastFileRecordLine > 0) {
    EXPECT_EQ(At(work, c.lastFileRecordLine, 10), PatternByte(c.lastFileRecordLine + shift, 10));
  }
  for (int line = std::max(c.lastFileRecordLine + 1, 1); line < FrameRecords; ++line)
    ASSERT_EQ(At(work, line, 10), 0) << line;  // zero past the data, no earlier frame's bytes
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, FrameFileSizes,
    ::testing::Values(
        SizeCase{702'768, false, 702'768, 700, 725, true}, SizeCase{702'768, true, 702'768, 700, 724, true},
        SizeCase{670'824, false, 670'824, 692, 692, true}, SizeCase{670'824, true, 670'824, 692, 691, true},
        SizeCase{704'176, false, 702'768, 700, 725, true}, SizeCase{704'177, false, 702'768, 700, 725, false},
        SizeCase{702'767, false, 702'767, 700, 725, false}, SizeCase{1'936, false, 1'936, 1, 1, false},
        SizeCase{1'935, false, 1'935, 0, 1, false}, SizeCase{0, false, 0, -1, 0, false}),
    [](const ::testing::TestParamInfo<SizeCase>& info) {
      return std::to_string(info.param.fileBytes) + "Bytes" + (info.param.mariner9 ? "_Mariner9Mark" : "");
    });

TEST(FrameFile, Mariner9ArrangementKeepsTheHeaderAndDropsRecordOne) {
  const Loaded loaded = Load(FullFrameFileBytes, true);
  const auto file = PatternFrameFile(FullFrameFileBytes);
  EXPECT_EQ(loaded.read.WorkFrame[Mariner9MarkOffset], Mariner9MarkByte);
  EXPECT_EQ(loaded.read.WorkFrame[968], file[1936]);
  EXPECT_EQ(At(loaded.read.WorkFrame, 700, 5), PatternByte(701, 5));
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
    for (const FrameCheck& check : {CheckOf(read), CheckFrameFile(path)}) {
      EXPECT_FALSE(check.FileBytes.has_value()) << path;
      EXPECT_EQ(NotAFrameNotice("x.001", check).rfind("x.001 could not be read: ", 0), 0u) << path;
    }
    EXPECT_EQ(std::count(read.WorkFrame.begin(), read.WorkFrame.end(), 0), std::ptrdiff_t(FrameBytes)) << path;
  }
}

// The command line's reads: a stream up to a frame, counted on as far as the
// largest frame file, so that an endless one ends too.
TEST(FrameFile, StreamsAreReadUpToAFrame) {
  TempDir dir;
  const std::string fifo = dir / "pipe.001";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::size_t length : {std::size_t(1'000), std::size_t(Mariner9FrameFileBytes)}) {
    const std::vector<std::uint8_t> file = PatternFrameFile(length);
    std::thread writer([&] { WriteBytes(fifo, file); });
    const FrameRead read = ReadFrameFileOrStream(fifo, {});
    writer.join();
    EXPECT_EQ(read.BytesRead, std::int32_t(std::min(length, FrameBytes)));
    EXPECT_EQ(read.FileBytes, length);
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + read.BytesRead, read.WorkFrame.begin()));
  }
  const FrameRead endless = ReadFrameFileOrStream("/dev/zero", {});
  EXPECT_EQ(endless.BytesRead, std::int32_t(FrameBytes));
  EXPECT_GT(endless.FileBytes.value_or(0), std::uintmax_t(Mariner9FrameFileBytes));
  EXPECT_EQ(ReadFrameFileOrStream(dir.Path(), {}).Error, "it is a directory");
  const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);  // nobody would ever type the frame
  ASSERT_GE(terminal, 0);
  EXPECT_EQ(ReadFrameStream(terminal, {}).Error, "it is a terminal");
  ::close(terminal);
}

TEST(FrameFile, NoticeSaysWhyAFileIsNoFrame) {
  const struct {
    FrameCheck check;
    const char* notice;
  } table[] = {
      {{35, ""}, "notes.txt is 35 bytes, not a frame"},
      {{1, ""}, "notes.txt is 1 byte, not a frame"},
      {{0, ""}, "notes.txt is empty, not a frame"},
      {{300'000, ""}, "notes.txt is 300,000 bytes, not a frame"},
      {{1'234'567'890, ""}, "notes.txt is 1,234,567,890 bytes, not a frame"},
      {{std::nullopt, "Permission denied"}, "notes.txt could not be read: Permission denied"},
      {{704'176, ""}, ""},
  };
  for (const auto& row : table) EXPECT_EQ(NotAFrameNotice("notes.txt", row.check), row.notice);
}

}  // namespace
}  // namespace vantorel
