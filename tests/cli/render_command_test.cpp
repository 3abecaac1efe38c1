#include "cli/render_command.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>

#include "cli_test_frames.h"
#include "output/fits_file.h"
#include "viewer/viewer.h"

namespace vantorel::cli {
namespace {

using vantorel::testing::ReadBytes;
using vantorel::testing::TempDir;
using vantorel::testing::WriteBytes;
using vantorel::testing::WriteMariner10Frame;

struct RenderRun {
  int ExitCode;
  std::string Out;
  std::string Err;
};

RenderRun Render(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = RunRender(args, out, err);
  return {code, out.str(), err.str()};
}

int LineCount(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// How the program itself would produce the same picture.
struct SameAsViewerCase {
  std::string Name;
  std::vector<std::string> Args;
  std::function<Picture(Viewer&, const std::string&)> ViewerSteps;
};

void PrintTo(const SameAsViewerCase& testCase, std::ostream* os) { *os << testCase.Name; }

Picture OpenWith(Viewer& viewer, const std::string& frame, std::initializer_list<Option> options) {
  for (Option option : options) viewer.ToggleOptionFlag(option);
  return viewer.OpenFrame(frame);
}

class BmpOutput : public ::testing::TestWithParam<SameAsViewerCase> {};

TEST_P(BmpOutput, EqualsTheComposedBitmapOfTheViewer) {
  TempDir dir;
  // Selector 01, frame 12: the stretch finds a table entry for this name.
  const std::string frame = WriteMariner10Frame(dir, "MVE0101.012");
  const std::string out = dir / "out.bmp";
  const RenderRun run = Render(Concat(GetParam().Args, {frame, "-o", out}));
  ASSERT_EQ(run.ExitCode, ExitSuccess) << run.Err;

  Viewer viewer;
  const Picture expected = GetParam().ViewerSteps(viewer, frame);
  const std::vector<std::uint8_t> written = ReadBytes(out);
  ASSERT_EQ(written.size(), BmpFileBytes);
  EXPECT_TRUE(written == expected.Bmp);

  // The arguments must have reached the render, not only agree with a plain one.
  Viewer plainViewer;
  const bool plain = GetParam().Args.empty() || GetParam().Args == std::vector<std::string>{"--original"};
  EXPECT_EQ(written == plainViewer.OpenFrame(frame).Bmp, plain);
}

INSTANTIATE_TEST_SUITE_P(
    Options, BmpOutput,
    ::testing::Values(
        SameAsViewerCase{"Plain", {}, [](Viewer& v, const std::string& f) { return v.OpenFrame(f); }},
        SameAsViewerCase{"StretchRotate",
                         {"--stretch", "--rotate"},
                         [](Viewer& v, const std::string& f) { return OpenWith(v, f, {Option::Stretch, Option::Rotate}); }},
        SameAsViewerCase{"FlipColorizeMinimize",
                         {"--flip", "--colorize", "--minimize"},
                         [](Viewer& v, const std::string& f) {
                           return OpenWith(v, f, {Option::Flip, Option::Colorize, Option::Minimize});
                         }},
        SameAsViewerCase{"NegativeCounters",
                         {"--invert", "--brightness", "-40", "--contrast", "-1", "--gradient", "-3"},
                         [](Viewer& v, const std::string& f) {
                           OpenWith(v, f, {Option::Invert});
                           return v.RenderWithSteps({-40, -1, -3});
                         }},
        SameAsViewerCase{"Original", {"--original"}, [](Viewer& v, const std::string& f) {
                           v.OpenFrame(f);
                           return v.ShowOriginalImage();
                         }}),
    [](const auto& info) { return info.param.Name; });

TEST(RenderCommand, PngHoldsThePixelsOfTheBmp) {
  TempDir dir;
  const std::string frame = WriteMariner10Frame(dir, "MVE0101.012");
  ASSERT_EQ(Render({"--colorize", "--stretch", frame, "-o", dir / "out.bmp"}).ExitCode, ExitSuccess);
  ASSERT_EQ(Render({"--colorize", "--stretch", frame, "-o", dir / "out.PNG"}).ExitCode, ExitSuccess);

  const std::vector<std::uint8_t> bmp = ReadBytes(dir / "out.bmp");
  const QImage png(QString::fromStdString(dir / "out.PNG"), "PNG");
  ASSERT_EQ(png.width(), PictureSamples);
  ASSERT_EQ(png.height(), FrameLines);
  int mismatches = 0;
  for (int y = 0; y < FrameLines; ++y) {
    // BMP rows are stored bottom-up, pixels as blue, green, red.
    const std::size_t row = BmpHeaderBytes + std::size_t(FrameLines - 1 - y) * BmpRowBytes;
    for (int x = 0; x < PictureSamples; ++x) {
      const std::uint8_t* bgr = &bmp[row + std::size_t(x) * 3];
      if (png.pixel(x, y) != qRgb(bgr[2], bgr[1], bgr[0])) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(RenderCommand, FitsIsWhatSaveAsWrites) {
  TempDir dir;
  const std::string frame = WriteMariner10Frame(dir, "MVE0101.012");
  ASSERT_EQ(Render({"--sharpen", frame, "-o", dir / "out.Fits"}).ExitCode, ExitSuccess);
  Viewer viewer;
  OpenWith(viewer, frame, {Option::Sharpen});
  EXPECT_TRUE(ReadBytes(dir / "out.Fits") == BuildFitsFile(viewer.LabelCards(), viewer.FitsPlane()));
}

TEST(RenderCommand, EmptyFrameRendersBlack) {
  TempDir dir;
  WriteBytes(dir / "EMPTY.001", {});
  ASSERT_EQ(Render({dir / "EMPTY.001", "-o", dir / "out.bmp"}).ExitCode, ExitSuccess);
  const std::vector<std::uint8_t> bmp = ReadBytes(dir / "out.bmp");
  ASSERT_EQ(bmp.size(), BmpFileBytes);
  EXPECT_TRUE(std::all_of(bmp.begin() + BmpHeaderBytes, bmp.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(RenderCommand, UnreadableFrameFailsAndWritesNothing) {
  TempDir dir;
  for (const std::string& frame : {dir / "missing.012", dir.Path().string()}) {
    const RenderRun run = Render({frame, "-o", dir / "out.bmp"});
    EXPECT_EQ(run.ExitCode, ExitFailure) << frame;
    EXPECT_NE(run.Err.find("cannot read " + frame), std::string::npos) << run.Err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.bmp"));
  }
}

TEST(RenderCommand, OutputThatCannotBeWrittenFailsAndLeavesNoFile) {
  TempDir dir;
  const std::string frame = WriteMariner10Frame(dir, "MVE0101.012");
  WriteBytes(dir / "file.txt", {'x'});
  std::filesystem::create_directory(dir / "taken.bmp");
  for (const std::string& out : {dir / "file.txt/out.bmp", dir / "no-such-folder/out.png", dir / "taken.bmp"}) {
    const RenderRun run = Render({frame, "-o", out});
    EXPECT_EQ(run.ExitCode, ExitFailure) << out;
    EXPECT_NE(run.Err.find("cannot write " + out), std::string::npos) << run.Err;
  }
  EXPECT_EQ(ReadBytes(dir / "file.txt"), std::vector<std::uint8_t>{'x'});
  EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.bmp"));
  EXPECT_FALSE(std::filesystem::exists(dir / "no-such-folder"));
  // Nothing else (no temporary file) was left beside the frame.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);
}

TEST(RenderCommand, ExistingOutputIsReplacedOnlyOnSuccess) {
  TempDir dir;
  const std::string frame = WriteMariner10Frame(dir, "MVE0101.012");
  const std::string out = dir / "out.fit";
  WriteBytes(out, {'o', 'l', 'd'});
  EXPECT_EQ(Render({dir / "missing.012", "-o", out}).ExitCode, ExitFailure);
  EXPECT_EQ(ReadBytes(out), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(Render({frame, "-o", out}).ExitCode, ExitSuccess);
  EXPECT_EQ(ReadBytes(out).size(), FitsFileBytes);
}

TEST(RenderCommand, FolderModeGoesOnPastBadFrames) {
  TempDir frames, outputs;
  const std::string good = WriteMariner10Frame(frames, "MVE0101.012");
  const std::string shortFrame = WriteMariner10Frame(frames, "MVE0101.013", std::size_t(ShortFrameFileBytes));
  std::filesystem::create_directory(frames / "DIR0101.014");
  const RenderRun run = Render({"--out-dir", outputs.Path().string(), "--format", "png", good, frames / "MISSING.015",
                          frames / "DIR0101.014", shortFrame});
  EXPECT_EQ(run.ExitCode, ExitFailure);
  EXPECT_NE(run.Err.find("[1/4] MVE0101.012\n"), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("[4/4] MVE0101.013\n"), std::string::npos) << run.Err;
  EXPECT_TRUE(std::filesystem::exists(outputs / "MVE0101.012.png"));
  EXPECT_TRUE(std::filesystem::exists(outputs / "MVE0101.013.png"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(outputs.Path()), {}), 2);
}

TEST(RenderCommand, FolderModeNeedsAnExistingFolderAndDistinctNames) {
  TempDir dir;
  const std::string frame = WriteMariner10Frame(dir, "MVE0101.012");
  EXPECT_EQ(Render({"--out-dir", dir / "none", frame}).ExitCode, ExitFailure);
  EXPECT_FALSE(std::filesystem::exists(dir / "none"));

  const RenderRun twice = Render({"--out-dir", dir / "", frame, frame});
  EXPECT_EQ(twice.ExitCode, ExitFailure);
  EXPECT_EQ(ReadBytes(dir / "MVE0101.012.bmp").size(), BmpFileBytes);
}

TEST(RenderCommand, InfoAndCardsLineCounts) {
  TempDir dir;
  const std::string mariner10 = WriteMariner10Frame(dir, "MVE0101.012");
  const std::string mariner9 = WriteMariner10Frame(dir, "MME0101.001");
  const struct {
    std::vector<std::string> Args;
    int Lines;
    std::string FirstLine;
  } table[] = {
      {{"--info", mariner10}, 9, "Spacecraft = Mariner 10"},
      // An MME name makes it a Mariner 9 frame; both boxes are printed.
      {{"--info", mariner9}, 21, "Spacecraft = Mariner 10"},
      {{"--cards", mariner10}, 36, "SIMPLE"},
  };
  for (const auto& row : table) {
    const RenderRun run = Render(row.Args);
    EXPECT_EQ(run.ExitCode, ExitSuccess) << run.Err;
    EXPECT_EQ(LineCount(run.Out), row.Lines) << run.Out;
    EXPECT_EQ(run.Out.rfind(row.FirstLine, 0), 0u) << run.Out;
  }
  const RenderRun missing = Render({"--cards", dir / "missing.012"});
  EXPECT_EQ(missing.ExitCode, ExitFailure);
  EXPECT_TRUE(missing.Out.empty());
}

}  // namespace
}  // namespace vantorel::cli
