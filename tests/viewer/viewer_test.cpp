#include "viewer/viewer.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::PatternFrameFile;
using testing::TempDir;
using testing::WriteBytes;

// A folder of frames whose first picture sample tells them apart.
class BrowsingFolder {
 public:
  explicit BrowsingFolder(const std::vector<std::string>& names) {
    for (std::size_t i = 0; i < names.size(); ++i) Add(names[i], std::uint8_t(10 + i), FullFrameFileBytes);
  }
  void Add(const std::string& name, std::uint8_t mark, std::size_t bytes) {
    auto frame = PatternFrameFile(bytes);
    frame[SampleOffset(1, 1)] = mark;
    WriteBytes(dir_ / name, frame);
  }
  std::string operator/(const std::string& name) const { return dir_ / name; }

 private:
  TempDir dir_;
};

std::vector<std::string> ThreeFrames() { return {"b.001", "a.001", "e.001"}; }

TEST(ViewerBrowsing, OpenPlacesTheFileAndNextStopsAtTheEnd) {
  BrowsingFolder folder(ThreeFrames());
  Viewer viewer;
  viewer.OpenFrame(folder / "b.001");
  EXPECT_EQ(viewer.FileList(), (std::vector<std::string>{"a.001", "b.001", "e.001"}));
  EXPECT_EQ(viewer.CounterText(), "2/3");

  ASSERT_TRUE(viewer.NextFile().has_value());
  EXPECT_EQ(viewer.CounterText(), "3/3");
  EXPECT_EQ(viewer.CurrentFileName(), "e.001");
  EXPECT_EQ(viewer.CurrentPath(), folder / "e.001");

  EXPECT_FALSE(viewer.NextFile().has_value());
  EXPECT_EQ(viewer.CounterText(), "3/3");
  EXPECT_EQ(viewer.CurrentFileName(), "e.001");
}

struct ScanEndCase {
  const char* openAt;
  ScanDirection direction;
};

class ViewerScanEnds : public ::testing::TestWithParam<ScanEndCase> {};

TEST_P(ViewerScanEnds, ScanEndsAtItsFirstTickWithoutLoading) {
  BrowsingFolder folder(ThreeFrames());
  Viewer viewer;
  viewer.OpenFrame(folder / GetParam().openAt);
  // Stepping past the end does nothing either way.
  EXPECT_FALSE((GetParam().direction == ScanDirection::Forward ? viewer.NextFile() : viewer.PreviousFile()).has_value());
  viewer.StartScan(GetParam().direction);
  EXPECT_TRUE(viewer.TimerEnabled());
  EXPECT_TRUE(viewer.ForwardScanButtonDown() || viewer.BackwardScanButtonDown());

  EXPECT_FALSE(viewer.ScanTick().has_value());
  EXPECT_FALSE(viewer.TimerEnabled());
  EXPECT_FALSE(viewer.ForwardScanButtonDown());
  EXPECT_FALSE(viewer.BackwardScanButtonDown());
  EXPECT_EQ(viewer.CurrentFileName(), GetParam().openAt);
  EXPECT_EQ(viewer.CurrentScanDirection(), GetParam().direction);  // kept until the next scan command
}

INSTANTIATE_TEST_SUITE_P(BothEnds, ViewerScanEnds,
                         ::testing::Values(ScanEndCase{"a.001", ScanDirection::Backward},
                                           ScanEndCase{"e.001", ScanDirection::Forward}));

TEST(ViewerBrowsing, ForwardScanStepsUntilTheEnd) {
  BrowsingFolder folder(ThreeFrames());
  Viewer viewer;
  viewer.OpenFrame(folder / "a.001");
  viewer.StartScan(ScanDirection::Forward);
  EXPECT_TRUE(viewer.ForwardScanButtonDown());
  EXPECT_FALSE(viewer.BackwardScanButtonDown());
  EXPECT_TRUE(viewer.ScanTick().has_value());
  EXPECT_EQ(viewer.CounterText(), "2/3");
  viewer.StartScan(ScanDirection::Backward);  // only turns it round
  EXPECT_TRUE(viewer.TimerEnabled());
  EXPECT_TRUE(viewer.BackwardScanButtonDown());
  EXPECT_FALSE(viewer.ForwardScanButtonDown());
  EXPECT_TRUE(viewer.ScanTick().has_value());
  EXPECT_EQ(viewer.CounterText(), "1/3");
  viewer.StopScan();
  EXPECT_FALSE(viewer.TimerEnabled());
  EXPECT_FALSE(viewer.ScanTick().has_value());
  EXPECT_EQ(viewer.CounterText(), "1/3");
}

TEST(ViewerBrowsing, OpenedFileOfAnotherSizeIsNotListed) {
  BrowsingFolder folder(ThreeFrames());
  folder.Add("odd.001", 99, 5000);
  Viewer viewer;
  viewer.OpenFrame(folder / "odd.001");
  EXPECT_EQ(viewer.CounterText(), "0/3");
  EXPECT_FALSE(viewer.PreviousFile().has_value());
  ASSERT_TRUE(viewer.NextFile().has_value());
  EXPECT_EQ(viewer.CurrentFileName(), "a.001");
  EXPECT_EQ(viewer.CounterText(), "1/3");
}

TEST(ViewerBrowsing, LongNamesAreFoundAndLoadedWhole) {
  BrowsingFolder folder({"MVE0101.001", "MVE0101.001-long-copy", "MVE0101.0012345"});
  Viewer viewer;
  viewer.OpenFrame(folder / "MVE0101.001-long-copy");
  EXPECT_EQ(viewer.CounterText(), "2/3");  // '-' sorts before '1'
  ASSERT_TRUE(viewer.NextFile().has_value());
  EXPECT_EQ(viewer.CurrentFileName(), "MVE0101.0012345");
  EXPECT_EQ(viewer.PristineFrame()[SampleOffset(1, 1)], 12);  // its own bytes, not a cut name's
  EXPECT_TRUE(viewer.ReadError().empty());
}

TEST(ViewerScanPause, ChosenPauseAppliesFromTheTickAfterNext) {
  BrowsingFolder folder({"a.001", "b.001", "c.001", "d.001"});
  Viewer viewer;
  viewer.OpenFrame(folder / "a.001");
  EXPECT_EQ(viewer.ScanInterval(), 2000);
  EXPECT_EQ(viewer.CheckedScanPause(), 2);
  viewer.StartScan(ScanDirection::Forward);
  viewer.ChooseScanPause(5);
  EXPECT_EQ(viewer.CheckedScanPause(), 5);
  EXPECT_EQ(viewer.TimerInterval(), 2000);  // the pending tick keeps the old pause
  viewer.ScanTick();
  EXPECT_EQ(viewer.TimerInterval(), 5000);
}

TEST(ViewerScanPause, EveryOpenResetsThePauseButBrowsingKeepsIt) {
  BrowsingFolder folder(ThreeFrames());
  Viewer viewer;
  viewer.ChooseScanPause(4);
  viewer.OpenFrame(folder / "a.001");
  EXPECT_EQ(viewer.CheckedScanPause(), 2);
  viewer.ChooseScanPause(3);
  viewer.NextFile();
  EXPECT_EQ(viewer.ScanInterval(), 3000);
  EXPECT_EQ(viewer.CheckedScanPause(), 3);
}

TEST(ViewerWindow, ClosingTheImageWindowStopsAScan) {
  BrowsingFolder folder(ThreeFrames());
  Viewer viewer;
  viewer.OpenFrame(folder / "a.001");
  viewer.StartScan(ScanDirection::Forward);
  viewer.CloseImageWindow();
  EXPECT_FALSE(viewer.FrameOnScreen());
  EXPECT_FALSE(viewer.TimerEnabled());
  EXPECT_FALSE(viewer.ForwardScanButtonDown());
  EXPECT_FALSE(viewer.ScanTick().has_value());
}

TEST(ViewerOptions, BrowsedFrameTakesTheMenuSettingsAgain) {
  BrowsingFolder folder(ThreeFrames());
  Viewer viewer;
  viewer.ToggleOptionFlag(Option::Invert);
  viewer.OpenFrame(folder / "a.001");
  EXPECT_TRUE(viewer.OptionButtonDown(Option::Invert));
  viewer.ToggleActiveOption(Option::Sharpen);
  viewer.ToggleActiveOption(Option::Invert);
  EXPECT_TRUE(viewer.OptionButtonDown(Option::Sharpen));
  EXPECT_FALSE(viewer.OptionButtonDown(Option::Invert));
  viewer.NextFile();
  EXPECT_FALSE(viewer.OptionButtonDown(Option::Sharpen));
  EXPECT_TRUE(viewer.OptionButtonDown(Option::Invert));
}

TEST(ViewerOptions, MenuItemsChangeOnlyTheFlags) {
  BrowsingFolder folder(ThreeFrames());
  Viewer viewer;
  viewer.OpenFrame(folder / "a.001");
  viewer.ToggleOptionFlag(Option::Rotate);
  EXPECT_EQ(Entry(viewer.OptionFlags(), Option::Rotate), 1);
  EXPECT_EQ(Entry(viewer.ActiveOptions(), Option::Rotate), 0);
  viewer.ToggleOptionFlag(Option::Rotate);
  EXPECT_EQ(Entry(viewer.OptionFlags(), Option::Rotate), 0);
}

TEST(ViewerOptions, StepCountersAccumulateAndEveryLoadResetsThem) {
  BrowsingFolder folder(ThreeFrames());
  Viewer viewer;
  viewer.OpenFrame(folder / "a.001");
  for (int i = 0; i < 3; ++i) viewer.ApplyStep(StepCommand::BrightnessUp);
  viewer.ApplyStep(StepCommand::ContrastUp);
  viewer.ApplyStep(StepCommand::GradientDown);
  EXPECT_EQ(viewer.Steps().BrightnessStep, 60);
  EXPECT_EQ(viewer.Steps().ContrastStep, 1);
  EXPECT_EQ(viewer.Steps().GradientStep, -1);
  viewer.NextFile();
  EXPECT_EQ(viewer.Steps().BrightnessStep, 0);
  EXPECT_EQ(viewer.Steps().ContrastStep, 0);
  EXPECT_EQ(viewer.Steps().GradientStep, 0);
}

TEST(ViewerOptions, OriginalImageIsStableAndEqualsTheBarePipeline) {
  BrowsingFolder folder(ThreeFrames());
  Viewer viewer;
  viewer.ToggleOptionFlag(Option::Invert);
  viewer.ToggleOptionFlag(Option::Colorize);
  viewer.OpenFrame(folder / "a.001");
  viewer.ApplyStep(StepCommand::BrightnessUp);
  const Picture first = viewer.ShowOriginalImage();
  const Picture second = viewer.ShowOriginalImage();
  EXPECT_EQ(first.Bmp, second.Bmp);
  EXPECT_EQ(viewer.ActiveOptions(), OptionSet{});
  EXPECT_EQ(viewer.Steps().BrightnessStep, 0);

  Viewer bare;
  const Picture full = bare.OpenFrame(folder / "a.001");
  EXPECT_EQ(first.Bmp, full.Bmp);

  // A later option button renders with that option alone.
  viewer.ToggleActiveOption(Option::Sharpen);
  OptionSet sharpenOnly{};
  Entry(sharpenOnly, Option::Sharpen) = 1;
  EXPECT_EQ(viewer.ActiveOptions(), sharpenOnly);
  EXPECT_EQ(Entry(viewer.OptionFlags(), Option::Invert), 1);  // the menu keeps its settings
}

TEST(ViewerLoading, UnreadableFileGivesABlackPictureAndAReason) {
  TempDir dir;
  Viewer viewer;
  const Picture picture = viewer.OpenFrame(dir / "missing.001");
  EXPECT_EQ(viewer.BytesRead(), -1);
  EXPECT_FALSE(viewer.ReadError().empty());
  EXPECT_EQ(viewer.CurrentFileName(), "missing.001");
  EXPECT_TRUE(viewer.FrameOnScreen());
  EXPECT_TRUE(std::all_of(picture.Bmp.begin() + BmpHeaderBytes, picture.Bmp.end(), [](auto b) { return b == 0; }));
  EXPECT_EQ(viewer.CounterText(), "0/0");
}

TEST(ViewerLoading, ShortFrameAfterAFullOneLeavesNoStaleFitsRows) {
  BrowsingFolder folder({"a.001"});
  folder.Add("b.001", 7, ShortFrameFileBytes);
  Viewer viewer;
  viewer.ToggleOptionFlag(Option::Flip);  // keep file order so rows are easy to name
  viewer.OpenFrame(folder / "a.001");
  ASSERT_NE(viewer.FitsPlane()[std::size_t(699) * PictureSamples], 0);
  viewer.NextFile();
  EXPECT_EQ(viewer.LineCount(), 692);
  const auto& plane = viewer.FitsPlane();
  EXPECT_NE(plane[std::size_t(691) * PictureSamples], 0);
  EXPECT_TRUE(std::all_of(plane.begin() + std::ptrdiff_t(692) * PictureSamples, plane.end(),
                          [](auto b) { return b == 0; }));
}

}  // namespace
}  // namespace vantorel
