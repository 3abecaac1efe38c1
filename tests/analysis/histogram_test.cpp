#include "analysis/histogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <ostream>

#include "frames/frame_layout.h"
#include "support/ebcdic_text.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

std::uint64_t Total(const Histogram& histogram) {
  return std::accumulate(histogram.begin(), histogram.end(), std::uint64_t{0});
}

// Marks in the picture, in a suffix and in the header: only the picture counts.
TEST(RawPictureHistogram, CountsThePictureSamplesOfTheLinesRead) {
  FrameBuffer frame = MakeFrameBuffer();
  frame[SampleOffset(1, 1)] = 5;
  frame[SampleOffset(700, PictureSamples)] = 5;
  frame[SampleOffset(3, 900)] = 5;
  frame[10] = 5;
  const struct {
    int lineCount;
    std::uint32_t fives;
    std::uint64_t total;
  } cases[] = {{700, 2, 700 * 832}, {692, 1, 692 * 832}, {0, 0, 0}, {-1, 0, 0}};
  for (const auto& c : cases) {
    const Histogram histogram = RawPictureHistogram(frame, c.lineCount);
    EXPECT_EQ(histogram[5], c.fives) << c.lineCount;
    EXPECT_EQ(Total(histogram), c.total) << c.lineCount;
  }
  // A buffer too short for the lines asked for is counted as far as it goes.
  EXPECT_EQ(Total(RawPictureHistogram(std::span(frame).first(SampleOffset(2, 1)), 700)), 832u);
}

struct ShownCase {
  const char* caseName;
  bool flip, minimize;
  int lineCount;
  std::uint32_t firstRowMarks, lastRowMarks, halfMarks;
  std::uint64_t total;
};

void PrintTo(const ShownCase& c, std::ostream* out) { *out << c.caseName; }

class ShownPictureHistogramTest : public ::testing::TestWithParam<ShownCase> {};

// Plane row 0 (work line 1, the bottom row) holds 7s, row 699 holds 9s, and
// row 300 (line 301, the half-size picture's first) holds 3s at its first
// column and the column before it.
TEST_P(ShownPictureHistogramTest, CountsOnlyPixelsShowingTheFrame) {
  const ShownCase& c = GetParam();
  std::vector<std::uint8_t> plane(FitsPlaneBytes, 1);
  std::fill_n(plane.begin(), PictureSamples, 7);
  std::fill_n(plane.end() - PictureSamples, PictureSamples, 9);
  plane[300 * PictureSamples + 191] = 3;
  plane[300 * PictureSamples + 192] = 3;
  OptionSet options{};
  Entry(options, Option::Flip) = c.flip ? 1 : 0;
  Entry(options, Option::Minimize) = c.minimize ? 1 : 0;
  const Histogram histogram = ShownPictureHistogram(plane, options, c.lineCount);
  EXPECT_EQ(histogram[7], c.firstRowMarks);
  EXPECT_EQ(histogram[9], c.lastRowMarks);
  EXPECT_EQ(histogram[3], c.halfMarks);
  EXPECT_EQ(Total(histogram), c.total);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShownPictureHistogramTest,
    ::testing::Values(ShownCase{"FullFrame", false, false, 700, 832, 832, 2, 582400},
                      // Lines 601..700 are missing: turned the right way up they are work lines 1..100,
                      // and work lines 601..700 are not composed.
                      ShownCase{"ShortFrame_Exchanged", false, false, 600, 0, 0, 2, 500 * 832},
                      ShownCase{"ShortFrame_FileOrder", true, false, 600, 832, 0, 2, 600 * 832},
                      ShownCase{"NoLines", false, false, 0, 0, 0, 0, 0},
                      // Half size: lines 301..650, samples 193..608 only.
                      ShownCase{"Minimize", false, true, 700, 0, 0, 1, 350 * 416},
                      ShownCase{"MinimizeShortFrame_FileOrder", true, true, 600, 0, 0, 1, 300 * 416},
                      // Exchanged first, the missing lines are the first 100 the half picture is made of.
                      ShownCase{"MinimizeShortFrame_Exchanged", false, true, 600, 0, 0, 0, 250 * 416},
                      ShownCase{"MinimizeNoLines", true, true, 0, 0, 0, 0, 0}),
    ::testing::PrintToStringParamName());

TEST(HistogramHeights, AreCountsAgainstTheFullScale) {
  Histogram histogram{};
  histogram[1] = 50;
  histogram[2] = 100;
  histogram[3] = 400;
  EXPECT_EQ(LargestCount(histogram), 400u);
  const auto linear = HistogramHeights(histogram, HistogramScale::Linear, 100);
  EXPECT_DOUBLE_EQ(linear[0], 0.0);
  EXPECT_DOUBLE_EQ(linear[1], 0.5);
  EXPECT_DOUBLE_EQ(linear[2], 1.0);
  EXPECT_DOUBLE_EQ(linear[3], 1.0);  // past the full scale: a full bar
  const auto logarithmic = HistogramHeights(histogram, HistogramScale::Logarithmic, 400);
  EXPECT_DOUBLE_EQ(logarithmic[0], 0.0);
  EXPECT_NEAR(logarithmic[2], std::log(101.0) / std::log(401.0), 1e-12);
  EXPECT_DOUBLE_EQ(logarithmic[3], 1.0);
  const auto none = HistogramHeights(histogram, HistogramScale::Logarithmic, 0);
  EXPECT_TRUE(std::all_of(none.begin(), none.end(), [](double h) { return h == 0.0; }));
}

// A flat frame of 100s, inverted and at half size: the raw samples all at
// 100, the picture's quarter as many at 155, on the raw samples' axis.
TEST(PlotHistograms, PutTheDocumentsFrameAndPictureOnOneAxisWithItsCurve) {
  testing::TempDir dir;
  std::vector<std::uint8_t> file(std::size_t(FullFrameFileBytes), 0);
  testing::PutMariner10Header(file);
  for (int line = 1; line <= FrameLines; ++line) std::fill_n(file.begin() + SampleOffset(line, 1), PictureSamples, 100);
  testing::WriteBytes(dir / "MVE0101.012", file);
  OptionSet options{};
  Entry(options, Option::Invert) = Entry(options, Option::Minimize) = 1;
  FrameDocument document;
  document.Load(dir / "MVE0101.012", options);
  const HistogramPlot plot = PlotHistograms(document, HistogramScale::Linear, ZeroBin::Counted);
  EXPECT_DOUBLE_EQ(plot.Raw[100], 1.0);
  EXPECT_DOUBLE_EQ(plot.Shown[155], 0.25);
  EXPECT_DOUBLE_EQ(plot.Shown[100] + plot.Raw[155], 0.0);
  EXPECT_EQ(plot.ToneCurve[100], 155);
  EXPECT_NEAR(PlotHistograms(document, HistogramScale::Logarithmic, ZeroBin::Counted).Shown[155],
              std::log(145601.0) / std::log(582401.0), 1e-12);

  // A black sky: the first lines all 0, the rest 100, shown as they are.
  // Skipped, the 0 bin leaves the scale to the 100s and stands full height.
  const struct {
    const char* name;
    int blackLines;
    HistogramScale scale;
    ZeroBin zeroBin;
    double atZero, atHundred;
  } cases[] = {
      {"linear", 500, HistogramScale::Linear, ZeroBin::Counted, 1.0, 0.4},
      {"linear, 0 skipped", 500, HistogramScale::Linear, ZeroBin::Skipped, 1.0, 1.0},
      {"logarithmic", 500, HistogramScale::Logarithmic, ZeroBin::Counted, 1.0, std::log(166401.0) / std::log(416001.0)},
      {"fewer 0s than 100s, skipped", 100, HistogramScale::Linear, ZeroBin::Skipped, 1.0 / 6, 1.0},
      // Nothing but 0s: the 0 bin is all there is to scale by.
      {"all black, skipped", FrameLines, HistogramScale::Linear, ZeroBin::Skipped, 1.0, 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (int line = 1; line <= FrameLines; ++line)
      std::fill_n(file.begin() + SampleOffset(line, 1), PictureSamples, line <= c.blackLines ? 0 : 100);
    testing::WriteBytes(dir / "MVE0101.012", file);
    document.Load(dir / "MVE0101.012", OptionSet{});
    const HistogramPlot sky = PlotHistograms(document, c.scale, c.zeroBin);
    for (const auto* heights : {&sky.Raw, &sky.Shown}) {
      EXPECT_NEAR((*heights)[0], c.atZero, 1e-12);
      EXPECT_NEAR((*heights)[100], c.atHundred, 1e-12);
    }
  }
}

// Names 30, 20 and 60 wide make entries of 44, 34 and 74 beside their
// swatches, 12 apart: rows of them above the plot, wrapping as the view narrows.
TEST(LayOutHistogram, PutsTheLegendInRowsAboveThePlot) {
  const HistogramTextSizes text{.LineHeight = 14, .ValueLabelWidth = 18, .LegendNameWidths = {30, 20, 60}};
  const struct {
    const char* name;
    double width, height;
    HistogramLayout expected;
  } cases[] = {
      {"one row", 300, 220, {{8, 26, 266, 176}, {{{8, 8, 44, 14}, {64, 8, 34, 14}, {110, 8, 74, 14}}}}},
      {"two rows", 150, 220, {{8, 40, 116, 162}, {{{8, 8, 44, 14}, {64, 8, 34, 14}, {8, 22, 74, 14}}}}},
      // Narrower than an entry: a row each, and no room left for a plot.
      {"no room", 20, 60, {{8, 54, 0, 0}, {{{8, 8, 44, 14}, {8, 22, 34, 14}, {8, 36, 74, 14}}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const HistogramLayout layout = LayOutHistogram(c.width, c.height, text);
    EXPECT_EQ(layout.Plot, c.expected.Plot);
    for (std::size_t entry = 0; entry < layout.Legend.size(); ++entry)
      EXPECT_EQ(layout.Legend[entry], c.expected.Legend[entry]) << entry;
  }
}

}  // namespace
}  // namespace vantorel
