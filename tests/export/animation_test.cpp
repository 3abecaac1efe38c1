#include "export/animation.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// A frame whose picture samples are noise, so that 2 x 2 sums leave every remainder.
std::vector<std::uint8_t> NoisyFrame(std::uint32_t seed) {
  std::vector<std::uint8_t> bytes = testing::PatternFrameFile(FrameBytes);
  for (std::size_t i = RecordBytes; i < bytes.size(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    bytes[i] = std::uint8_t(seed >> 24);
  }
  return bytes;
}

std::vector<std::string> Names(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(WriteAnimation, HalfSizePixelsAreTheRoundedMeansOf2x2Blocks) {
  TempDir dir;
  WriteBytes(dir / "a.001", NoisyFrame(7));
  const AnimationOutcome outcome =
      WriteAnimation({.Frames = {dir / "a.001"}, .Output = dir / "half.png", .Size = AnimationSize::Half});
  ASSERT_TRUE(outcome.Saved) << outcome.Error;
  // The first frame is the picture any PNG reader shows.
  const auto decoded = testing::DecodePng(ReadBytes(dir / "half.png"));
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->Width, 416);
  ASSERT_EQ(decoded->Height, 350);

  FrameDocument document;
  document.Open(dir / "a.001", OptionSet{});
  const std::vector<std::uint8_t> full =
      testing::BmpAsRgb({document.CurrentBmp().begin(), document.CurrentBmp().end()});
  int mismatches = 0;
  for (int y = 0; y < 350; ++y)
    for (int x = 0; x < 416; ++x)
      for (int c = 0; c < 3; ++c) {
        const auto at = [&](int row, int column) { return int(full[(std::size_t(row) * 832 + column) * 3 + c]); };
        const int sum = at(2 * y, 2 * x) + at(2 * y, 2 * x + 1) + at(2 * y + 1, 2 * x) + at(2 * y + 1, 2 * x + 1);
        mismatches += int(decoded->Rgb[(std::size_t(y) * 416 + x) * 3 + c]) != (sum + 2) / 4;
      }
  EXPECT_EQ(mismatches, 0);
}

TEST(WriteAnimation, ProgressCountsEachFrameAndCancelLeavesTheOldFileAlone) {
  struct Row {
    const char* Name;
    int CancelAfter;  // frames delivered before the cancel; -1: never
  };
  for (const Row row : {Row{"finished", -1}, Row{"cancelled midway", 2}, Row{"cancelled at once", 0}}) {
    SCOPED_TRACE(row.Name);
    TempDir dir;
    std::vector<std::string> frames;
    for (const char* name : {"a.001", "b.001", "c.001", "d.001"}) {
      WriteBytes(dir / name, NoisyFrame(name[0]));
      frames.push_back(dir / name);
    }
    const std::vector<std::uint8_t> good = {'o', 'l', 'd'};
    WriteBytes(dir / "out.png", good);
    std::vector<std::size_t> counts;
    AnimationHooks hooks;
    hooks.Progress = [&](std::size_t done, std::size_t total) {
      EXPECT_EQ(total, frames.size());
      counts.push_back(done);
    };
    hooks.Cancelled = [&] { return row.CancelAfter >= 0 && int(counts.size()) >= row.CancelAfter; };
    const AnimationOutcome outcome = WriteAnimation({.Frames = frames, .Output = dir / "out.png", .Workers = 1}, hooks);

    const bool finished = row.CancelAfter < 0;
    EXPECT_EQ(outcome.Saved, finished);
    EXPECT_EQ(outcome.Cancelled, !finished);
    EXPECT_EQ(counts.size(), finished ? frames.size() : std::size_t(row.CancelAfter));
    for (std::size_t i = 0; i < counts.size(); ++i) EXPECT_EQ(counts[i], i + 1);
    EXPECT_EQ(ReadBytes(dir / "out.png") == good, !finished);
    // Nothing half-written is left beside the frames.
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"a.001", "b.001", "c.001", "d.001", "out.png"}));
  }
}

TEST(WriteAnimation, AFrameThatCannotBeReadEndsTheRunUnwrittenUnlessLeftOut) {
  for (const bool keepGoing : {false, true}) {
    SCOPED_TRACE(keepGoing ? "left out" : "by default");
    TempDir dir;
    WriteBytes(dir / "a.001", NoisyFrame(1));
    WriteBytes(dir / "c.001", NoisyFrame(3));
    AnimationRequest request{.Frames = {dir / "a.001", dir / "missing.001", dir / "c.001"}, .Output = dir / "out.png"};
    if (keepGoing) request.KeepGoing = true;
    const AnimationOutcome outcome = WriteAnimation(request);
    EXPECT_EQ(outcome.Saved, keepGoing);
    EXPECT_EQ(outcome.Failed, std::vector<std::size_t>{1});
    EXPECT_EQ(outcome.StoppedAt, keepGoing ? std::nullopt : std::optional<std::size_t>(1));
    EXPECT_EQ(std::filesystem::exists(dir / "out.png"), keepGoing);
    EXPECT_EQ(outcome.FramesWritten, keepGoing ? 2 : 1);
  }
}

}  // namespace
}  // namespace vantorel
