#include "viewer/viewer.h"

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "viewer/recent_list.h"

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

struct ViewerTest : ::testing::Test {
  BrowsingFolder folder{{"b.001", "a.001", "e.001"}};
  Viewer viewer;
};

TEST_F(ViewerTest, OpenPlacesTheFileInTheSortedListing) {
  viewer.OpenFrame(folder / "b.001");
  EXPECT_EQ(viewer.FileList(), (std::vector<std::string>{"a.001", "b.001", "e.001"}));
  EXPECT_EQ(viewer.CounterText(), "2/3");
  ASSERT_TRUE(viewer.NextFile().has_value());
  EXPECT_EQ(viewer.CounterText(), "3/3");
  EXPECT_EQ(viewer.Document().CurrentPath(), folder / "e.001");
}

// Home and End load the ends of the listing without listing the folder again,
// and load nothing when that end is on screen; an unlisted file goes too.
TEST_F(ViewerTest, FirstAndLastFileGoToTheEndsOfTheListing) {
  folder.Add("odd.001", 99, 5000);
  struct Step {
    std::optional<Picture> (Viewer::*command)();
    bool loads;
    const char* shown;
    const char* counter;
  };
  const Step steps[] = {{&Viewer::LastFile, true, "e.001", "3/3"},
                        {&Viewer::LastFile, false, "e.001", "3/3"},
                        {&Viewer::FirstFile, true, "a.001", "1/3"},
                        {&Viewer::FirstFile, false, "a.001", "1/3"},
                        {&Viewer::LastFile, true, "e.001", "3/3"}};
  viewer.OpenFrame(folder / "odd.001");
  const std::uint64_t listings = FileListingsMade();
  for (const Step& step : steps) {
    EXPECT_EQ((viewer.*step.command)().has_value(), step.loads) << step.shown;
    EXPECT_EQ(viewer.Document().CurrentFileName(), step.shown);
    EXPECT_EQ(viewer.CounterText(), step.counter);
  }
  EXPECT_EQ(FileListingsMade(), listings);

  Viewer nothingListed;
  nothingListed.OpenFrame(folder / "no-such-folder/a.001");
  EXPECT_FALSE(nothingListed.FirstFile().has_value());
  EXPECT_FALSE(nothingListed.LastFile().has_value());
}

// Go to Frame takes a position in the listing first, then a name as spelled,
// then a name in any case; anything else, or the frame on screen, loads nothing.
TEST_F(ViewerTest, GoToFrameByPositionOrName) {
  folder.Add("A.001", 9, FullFrameFileBytes);  // listed first: 'A' sorts before 'a'
  viewer.OpenFrame(folder / "b.001");
  // Each entry and the counter after it, none where nothing loads.
  const std::pair<const char*, const char*> steps[] = {
      {"4", "4/4"}, {" 1 ", "1/4"}, {"a.001", "2/4"}, {"A.001", "1/4"}, {"B.001", "3/4"}, {"b.001", ""},
      {"0", ""},    {"5", ""},      {"-1", ""},       {"c.001", ""},    {"", ""},         {"2x", ""}};
  for (const auto& [entry, counter] : steps) {
    const std::string before = viewer.CounterText();
    EXPECT_EQ(viewer.GoToFrame(entry).has_value(), *counter != 0) << entry;
    EXPECT_EQ(viewer.CounterText(), *counter ? counter : before) << entry;
  }
}

struct ScanEndCase {
  const char* openAt;
  ScanDirection direction;
};

class ViewerScanEnds : public ViewerTest, public ::testing::WithParamInterface<ScanEndCase> {};

TEST_P(ViewerScanEnds, StepAndScanStopAtTheEndWithoutLoading) {
  viewer.OpenFrame(folder / GetParam().openAt);
  const bool forward = GetParam().direction == ScanDirection::Forward;
  EXPECT_FALSE((forward ? viewer.NextFile() : viewer.PreviousFile()).has_value());
  viewer.StartScan(GetParam().direction);
  EXPECT_TRUE(viewer.TimerEnabled());
  EXPECT_EQ(viewer.ForwardScanButtonDown(), forward);
  EXPECT_EQ(viewer.BackwardScanButtonDown(), !forward);

  EXPECT_FALSE(viewer.ScanTick().has_value());
  EXPECT_FALSE(viewer.TimerEnabled());
  EXPECT_FALSE(viewer.ForwardScanButtonDown() || viewer.BackwardScanButtonDown());
  EXPECT_EQ(viewer.Document().CurrentFileName(), GetParam().openAt);
}

INSTANTIATE_TEST_SUITE_P(BothEnds, ViewerScanEnds,
                         ::testing::Values(ScanEndCase{"a.001", ScanDirection::Backward},
                                           ScanEndCase{"e.001", ScanDirection::Forward}),
                         [](const ::testing::TestParamInfo<ScanEndCase>& info) {
                           return info.param.direction == ScanDirection::Forward ? "ForwardFromTheLast"
                                                                                 : "BackwardFromTheFirst";
                         });

TEST_F(ViewerTest, ScanTurnsRoundStopsAndTakesANewPauseFromTheTickAfterNext) {
  viewer.OpenFrame(folder / "a.001");
  viewer.StartScan(ScanDirection::Forward);
  viewer.ChooseScanPause(5);
  EXPECT_EQ(viewer.TimerInterval(), 2000);  // the pending tick keeps the old pause
  EXPECT_TRUE(viewer.ScanTick().has_value());
  EXPECT_EQ(viewer.CounterText(), "2/3");
  EXPECT_EQ(viewer.TimerInterval(), 5000);
  viewer.StartScan(ScanDirection::Backward);
  EXPECT_TRUE(viewer.ScanTick().has_value());
  EXPECT_EQ(viewer.CounterText(), "1/3");
  viewer.StopScan();
  EXPECT_FALSE(viewer.ScanTick().has_value());

  viewer.OpenFrame(folder / "b.001");  // every Open brings the pause back to 2 seconds
  EXPECT_EQ(viewer.ScanInterval(), 2000);
  EXPECT_EQ(viewer.CheckedScanPause(), 2);
}

TEST_F(ViewerTest, ClosingTheImageWindowStopsAScan) {
  viewer.OpenFrame(folder / "a.001");
  viewer.StartScan(ScanDirection::Forward);
  viewer.CloseImageWindow();
  EXPECT_FALSE(viewer.FrameOnScreen());
  EXPECT_FALSE(viewer.TimerEnabled());
  EXPECT_FALSE(viewer.ForwardScanButtonDown());
  EXPECT_FALSE(viewer.ScanTick().has_value());
}

TEST_F(ViewerTest, OpenedFileOfAnotherSizeIsNotListed) {
  folder.Add("odd.001", 99, 5000);
  viewer.OpenFrame(folder / "odd.001");
  EXPECT_EQ(viewer.CounterText(), "0/3");
  EXPECT_FALSE(viewer.PreviousFile().has_value());
  ASSERT_TRUE(viewer.NextFile().has_value());
  EXPECT_EQ(viewer.Document().CurrentFileName(), "a.001");
}

TEST(ViewerLongNames, AreFoundAndLoadedWhole) {
  BrowsingFolder folder({"MVE0101.001", "MVE0101.001-long-copy", "MVE0101.0012345"});
  Viewer viewer;
  viewer.OpenFrame(folder / "MVE0101.001-long-copy");
  EXPECT_EQ(viewer.CounterText(), "2/3");  // '-' sorts before '1'
  ASSERT_TRUE(viewer.NextFile().has_value());
  EXPECT_EQ(viewer.Document().CurrentFileName(), "MVE0101.0012345");
  EXPECT_EQ(viewer.Document().PristineFrame()[SampleOffset(1, 1)], 12);  // its own bytes, not a cut name's
}

TEST_F(ViewerTest, MenuSetsTheNextLoadAndButtonsLastUntilIt) {
  viewer.ToggleOptionFlag(Option::Invert);
  viewer.OpenFrame(folder / "a.001");
  viewer.ToggleOptionFlag(Option::Rotate);  // only the next load takes it
  EXPECT_EQ(Entry(viewer.Document().ActiveOptions(), Option::Rotate), 0);
  viewer.ToggleActiveOption(Option::Sharpen);
  viewer.ToggleActiveOption(Option::Invert);
  EXPECT_TRUE(viewer.OptionButtonDown(Option::Sharpen));
  EXPECT_FALSE(viewer.OptionButtonDown(Option::Invert));
  for (int i = 0; i < 3; ++i) viewer.ApplyStep(StepCommand::BrightnessUp);
  viewer.ApplyStep(StepCommand::GradientDown);
  EXPECT_EQ(viewer.Document().Steps().BrightnessStep, 60);
  EXPECT_EQ(viewer.Document().Steps().GradientStep, -1);

  viewer.NextFile();
  EXPECT_EQ(viewer.Document().ActiveOptions(), viewer.OptionFlags());
  EXPECT_TRUE(viewer.OptionButtonDown(Option::Invert) && viewer.OptionButtonDown(Option::Rotate));
  EXPECT_FALSE(viewer.OptionButtonDown(Option::Sharpen));
  EXPECT_EQ(viewer.Document().Steps().BrightnessStep, 0);
  EXPECT_EQ(viewer.Document().Steps().GradientStep, 0);

  // Keeping adjustments, the Down states and counters go with the browse (and
  // render the new frame with them); Open still starts from the menu.
  viewer.KeepAdjustments(true);
  viewer.ToggleActiveOption(Option::Sharpen);
  viewer.ApplyStep(StepCommand::ContrastUp);
  const OptionSet kept = viewer.Document().ActiveOptions();
  const std::optional<Picture> previous = viewer.PreviousFile();
  ASSERT_TRUE(previous.has_value());
  EXPECT_EQ(viewer.Document().ActiveOptions(), kept);
  EXPECT_EQ(viewer.Document().Steps().ContrastStep, 1);
  FrameDocument fresh;
  fresh.Load(folder / "a.001", kept, viewer.Document().Steps());
  EXPECT_TRUE(std::ranges::equal(previous->Bmp, fresh.CurrentBmp()));
  viewer.OpenFrame(folder / "e.001");
  EXPECT_EQ(viewer.Document().ActiveOptions(), viewer.OptionFlags());
  EXPECT_EQ(viewer.Document().Steps().ContrastStep, 0);
}

TEST(RecentList, LatestFirstEachOnceAtMostTenAndGoneOnesDropped) {
  std::vector<std::string> list;
  for (int i = 1; i <= 12; ++i) list = WithRecent(list, std::to_string(i));
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list.front(), "12");
  EXPECT_EQ(list.back(), "3");

  const std::vector<std::string> stored = {"a", "", "gone", "b", "a", "c", "d", "e", "f", "g", "h", "i", "j", "k"};
  EXPECT_EQ(StillPresent(stored, [](const std::string& path) { return path != "gone"; }),
            (std::vector<std::string>{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}));
}

TEST_F(ViewerTest, OriginalImageIsStableAndEqualsTheBarePipeline) {
  viewer.ToggleOptionFlag(Option::Invert);
  viewer.ToggleOptionFlag(Option::Colorize);
  viewer.OpenFrame(folder / "a.001");
  viewer.ApplyStep(StepCommand::BrightnessUp);
  const Picture first = viewer.ShowOriginalImage();
  EXPECT_EQ(first.Bmp, viewer.ShowOriginalImage().Bmp);
  EXPECT_EQ(first.Bmp, Viewer().OpenFrame(folder / "a.001").Bmp);
  EXPECT_EQ(viewer.Document().Steps().BrightnessStep, 0);

  viewer.ToggleActiveOption(Option::Sharpen);  // renders with that option alone
  OptionSet sharpenOnly{};
  Entry(sharpenOnly, Option::Sharpen) = 1;
  EXPECT_EQ(viewer.Document().ActiveOptions(), sharpenOnly);
}

// Blinking asks for the original picture between renders: it must equal Original
// Image and leave everything the document keeps as it was.
TEST_F(ViewerTest, OriginalPictureEqualsOriginalImageAndChangesNothing) {
  const auto showProcessed = [this](Viewer& shown) {
    shown.ToggleOptionFlag(Option::Invert);
    shown.ToggleOptionFlag(Option::Minimize);
    shown.OpenFrame(folder / "a.001");
    shown.ToggleActiveOption(Option::Colorize);
    shown.ApplyStep(StepCommand::BrightnessUp);
    shown.ApplyStep(StepCommand::ContrastUp);
  };
  showProcessed(viewer);
  Viewer untouched;
  showProcessed(untouched);

  const FrameDocument& document = viewer.Document();
  const std::vector<std::uint8_t> plane = document.FitsPlane();
  const Picture original = viewer.OriginalPicture();
  EXPECT_EQ(original.Bmp, Viewer().OpenFrame(folder / "a.001").Bmp);
  EXPECT_EQ(original.Bmp, Viewer(untouched).ShowOriginalImage().Bmp);
  EXPECT_EQ(document.FitsPlane(), plane);
  EXPECT_EQ(document.ActiveOptions(), untouched.Document().ActiveOptions());
  EXPECT_EQ(document.Steps().BrightnessStep, BrightnessStepSize);
  EXPECT_EQ(document.Steps().ContrastStep, 1);
  EXPECT_FALSE(document.ShowsOriginal());
  EXPECT_EQ(viewer.ApplyStep(StepCommand::GradientUp).Bmp, untouched.ApplyStep(StepCommand::GradientUp).Bmp);

  EXPECT_EQ(document.CurrentToneCurve()[0], 255 - BrightnessStepSize);  // brightened, then inverted

  // And after Original Image itself it is the picture on screen, with no tone change.
  const Picture shown = viewer.ShowOriginalImage();
  EXPECT_EQ(viewer.OriginalPicture().Bmp, shown.Bmp);
  EXPECT_TRUE(viewer.Document().ShowsOriginal());
  EXPECT_EQ(viewer.Document().CurrentToneCurve(), IdentityToneCurve());
}

TEST_F(ViewerTest, CountersSaturateAtTheirLimits) {
  constexpr std::int32_t kMin = INT32_MIN, kMax = INT32_MAX;
  struct Case {
    StepCommand Command;
    ToneSteps Start;
    ToneSteps Expected;
  };
  const Case cases[] = {
      {StepCommand::BrightnessDown, {kMin + 5, 0, 0}, {kMin, 0, 0}},
      {StepCommand::BrightnessUp, {kMax, 0, 0}, {kMax, 0, 0}},
      {StepCommand::ContrastDown, {0, kMin, 0}, {0, kMin, 0}},
      {StepCommand::ContrastUp, {0, kMax, 0}, {0, kMax, 0}},
      {StepCommand::GradientDown, {0, 0, kMin}, {0, 0, kMin}},
      {StepCommand::GradientUp, {0, 0, kMax}, {0, 0, kMax}},
  };
  viewer.ToggleOptionFlag(Option::Stretch);
  viewer.OpenFrame(folder / "a.001");
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.Command));
    viewer.RenderWithSteps(c.Start);
    const Picture stepped = viewer.ApplyStep(c.Command);
    // The tone mapping may bound contrast and gradient; brightness keeps its limit.
    if (c.Command == StepCommand::BrightnessDown || c.Command == StepCommand::BrightnessUp) {
      EXPECT_EQ(viewer.Document().Steps().BrightnessStep, c.Expected.BrightnessStep);
    }
    EXPECT_EQ(stepped.Bmp, viewer.RenderWithSteps(c.Expected).Bmp);
  }
}

TEST(ViewerFitsPlane, ShortFrameAfterAFullOneLeavesNoStaleRows) {
  BrowsingFolder folder({"a.001"});
  folder.Add("b.001", 7, ShortFrameFileBytes);
  Viewer viewer;
  viewer.ToggleOptionFlag(Option::Flip);  // keep file order so rows are easy to name
  viewer.OpenFrame(folder / "a.001");
  ASSERT_NE(viewer.Document().FitsPlane()[std::size_t(699) * PictureSamples], 0);
  viewer.NextFile();
  const auto& plane = viewer.Document().FitsPlane();
  EXPECT_NE(plane[std::size_t(691) * PictureSamples], 0);
  EXPECT_TRUE(
      std::all_of(plane.begin() + std::ptrdiff_t(692) * PictureSamples, plane.end(), [](auto b) { return b == 0; }));
}

// The document keeps its render buffers from one render to the next; after
// a full frame rendered with every option, a short frame's renders still give
// the very bytes a fresh document gives them.
TEST(FrameDocumentRenders, EqualAFreshDocumentsWhateverWasRenderedBefore) {
  BrowsingFolder folder({"a.001"});
  folder.Add("b.001", 7, ShortFrameFileBytes);
  OptionSet everyOption;
  everyOption.fill(1);
  FrameDocument kept;
  kept.Load(folder / "a.001", everyOption);
  FrameDocument fresh;
  EXPECT_EQ(kept.Load(folder / "b.001", OptionSet{}).Bmp, fresh.Load(folder / "b.001", OptionSet{}).Bmp);
  kept.Load(folder / "a.001", everyOption);
  kept.Load(folder / "b.001", OptionSet{});
  EXPECT_EQ(kept.ToggleActiveOption(Option::Colorize).Bmp, fresh.ToggleActiveOption(Option::Colorize).Bmp);
}

}  // namespace
}  // namespace vantorel
