// Region statistics against a plain recount over every picture pixel, and
// profiles against places worked out by hand, under every geometry.
#include "analysis/region_statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "analysis/readout.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

// Loads a pattern frame of fileBytes with some 0s and 255s, inverted so that
// shown levels differ from raw ones, under one geometry (bits: flip, rotate, minimize).
void LoadGeometry(FrameDocument& document, const testing::TempDir& dir, std::size_t fileBytes, int geometry) {
  std::vector<std::uint8_t> file = testing::PatternFrameFile(fileBytes);
  for (int s = 100; s < 140; ++s) file[SampleOffset(300, s)] = 0;
  for (int l = 290; l < 310; ++l) file[SampleOffset(l, 120)] = 255;
  testing::WriteBytes(dir / "frame.001", file);
  OptionSet options{};
  Entry(options, Option::Invert) = 1;
  Entry(options, Option::Flip) = geometry & 1;
  Entry(options, Option::Rotate) = (geometry >> 1) & 1;
  Entry(options, Option::Minimize) = (geometry >> 2) & 1;
  document.Load(dir / "frame.001", options);
}

std::string GeometryName(int geometry) {
  return std::string("flip ") + std::to_string(geometry & 1) + " rotate " + std::to_string((geometry >> 1) & 1) +
         " minimize " + std::to_string(geometry >> 2);
}

// Sorted values: count, mean, median, population deviation, extremes.
void ExpectStatistics(const ValueStatistics& got, std::vector<int> values) {
  ASSERT_EQ(got.Count, int(values.size()));
  if (values.empty()) return;
  std::sort(values.begin(), values.end());
  double sum = 0, squares = 0;
  for (int v : values) sum += v;
  const double mean = sum / double(values.size());
  for (int v : values) squares += (v - mean) * (v - mean);
  const std::size_t n = values.size();
  EXPECT_NEAR(got.Mean, mean, 1e-9);
  EXPECT_NEAR(got.StandardDeviation, std::sqrt(squares / double(n)), 1e-9);
  EXPECT_EQ(got.Median, (values[(n - 1) / 2] + values[n / 2]) / 2.0);
  EXPECT_EQ(got.Minimum, values.front());
  EXPECT_EQ(got.Maximum, values.back());
}

// Pixel centres in the rectangle, or in its ellipse: (dl/lines)^2 + (ds/samples)^2 <= 1.
bool Inside(const FrameRegion& r, int line, int sample) {
  if (line < r.FirstLine || line >= r.FirstLine + r.Lines || sample < r.FirstSample ||
      sample >= r.FirstSample + r.Samples)
    return false;
  const double dl = (line - (r.FirstLine + (r.Lines - 1) / 2.0)) / (r.Lines / 2.0);
  const double ds = (sample - (r.FirstSample + (r.Samples - 1) / 2.0)) / (r.Samples / 2.0);
  return r.Shape == RegionShape::Rectangle || dl * dl + ds * ds <= 1 + 1e-12;
}

TEST(MeasureRegion, EqualsAPlainRecountUnderEveryGeometry) {
  const FrameRegion regions[] = {
      {RegionShape::Rectangle, 290, 100, 25, 41},  // the 0s and 255s
      {RegionShape::Ellipse, 281, 95, 40, 51},
      {RegionShape::Ellipse, 1, 1, 6, 4},
      {RegionShape::Rectangle, 680, 820, 40, 40},  // past the frame, and past a short frame's lines
      {RegionShape::Rectangle, 1, 1, FrameLines, PictureSamples},
  };
  for (const std::size_t fileBytes : {std::size_t(FullFrameFileBytes), std::size_t(ShortFrameFileBytes)})
    for (int geometry = 0; geometry < 8; ++geometry) {
      testing::TempDir dir;
      FrameDocument document;
      LoadGeometry(document, dir, fileBytes, geometry);
      const int lineCount = document.LineCount();
      for (const FrameRegion& region : regions) {
        SCOPED_TRACE(GeometryName(geometry) + ", lines " + std::to_string(lineCount) + ", region at line " +
                     std::to_string(region.FirstLine) + (region.Shape == RegionShape::Ellipse ? " ellipse" : ""));
        std::vector<int> raw, shown;
        int missing = 0, saturated = 0;
        for (int line = 1; line <= FrameLines; ++line)
          for (int sample = 1; sample <= PictureSamples; ++sample) {
            if (!Inside(region, line, sample)) continue;
            if (line > lineCount) {
              ++missing;
              continue;
            }
            const int value = document.PristineFrame()[SampleOffset(line, sample)];
            raw.push_back(value);
            missing += value == 0;
            saturated += value == 255;
          }
        for (int y = 0; y < FrameLines; ++y)
          for (int x = 0; x < PictureSamples; ++x)
            if (const auto readout = ReadoutAt(document, x, y);
                readout && Inside(region, readout->Position.Line, readout->Position.Sample))
              shown.push_back(readout->Shown);
        const RegionStatistics got = MeasureRegion(document, region);
        EXPECT_EQ(got.Problem, "");
        ExpectStatistics(got.Raw, raw);
        ExpectStatistics(got.Shown, shown);
        EXPECT_EQ(got.Missing, missing);
        EXPECT_EQ(got.Saturated, saturated);
      }
    }
}

TEST(MeasureRegion, OutsideTheFrameOrEmptyMeasuresNothing) {
  FrameDocument document;
  for (const FrameRegion& region :
       {FrameRegion{RegionShape::Rectangle, 701, 1, 5, 5}, FrameRegion{RegionShape::Ellipse, -9, -9, 10, 10},
        FrameRegion{RegionShape::Rectangle, 1, 833, 5, 5}, FrameRegion{RegionShape::Rectangle, 5, 5, 0, 5}}) {
    const RegionStatistics got = MeasureRegion(document, region);
    EXPECT_EQ(got.Problem, "the region lies outside the frame");
    EXPECT_EQ(got.Raw.Count + got.Shown.Count + got.Missing, 0);
  }
}

TEST(ProfileAlong, ReadsTheNearestPlacesUnderEveryGeometry) {
  const struct {
    FramePoint From, To;
    std::vector<std::array<int, 3>> Expected;  // index, line, sample
  } cases[] = {
      {{10, 10}, {12, 14}, {{0, 10, 10}, {1, 11, 11}, {2, 11, 12}, {3, 12, 13}, {4, 12, 14}}},
      {{300, 5}, {296, 4}, {{0, 300, 5}, {1, 299, 5}, {2, 298, 5}, {3, 297, 4}, {4, 296, 4}}},
      {{7, 7}, {7, 7}, {{0, 7, 7}}},
      {{699, 830}, {702, 834}, {{0, 699, 830}, {1, 700, 831}}},  // clipped at the frame's corner
      {{690, 1}, {694, 1}, {{0, 690, 1}, {1, 691, 1}, {2, 692, 1}, {3, 693, 1}, {4, 694, 1}}},
  };
  for (const std::size_t fileBytes : {std::size_t(FullFrameFileBytes), std::size_t(ShortFrameFileBytes)})
    for (int geometry = 0; geometry < 8; ++geometry) {
      testing::TempDir dir;
      FrameDocument document;
      LoadGeometry(document, dir, fileBytes, geometry);
      // The level shown for each frame place, found pixel by pixel.
      std::vector<int> shownAt(FitsPlaneBytes, -1);
      for (int y = 0; y < FrameLines; ++y)
        for (int x = 0; x < PictureSamples; ++x)
          if (const auto r = ReadoutAt(document, x, y))
            for (int dl = 0; dl < r->Position.BlockSize; ++dl)
              for (int ds = 0; ds < r->Position.BlockSize; ++ds)
                shownAt[PictureSampleIndex(r->Position.Line + dl, r->Position.Sample + ds)] = r->Shown;
      for (const auto& c : cases) {
        SCOPED_TRACE(GeometryName(geometry) + ", lines " + std::to_string(document.LineCount()) + ", from line " +
                     std::to_string(c.From.Line));
        const LineProfile got = ProfileAlong(document, c.From, c.To);
        ASSERT_EQ(got.Points.size(), c.Expected.size());
        for (std::size_t i = 0; i < c.Expected.size(); ++i) {
          const ProfilePoint& p = got.Points[i];
          const auto [index, line, sample] = c.Expected[i];
          (void)index;
          EXPECT_EQ((std::array<int, 3>{p.Index, p.Line, p.Sample}), c.Expected[i]);
          const bool read = line <= document.LineCount();
          EXPECT_EQ(p.Raw, read ? std::optional<int>(testing::PatternByte(line, sample - 1)) : std::nullopt);
          const int shown = shownAt[PictureSampleIndex(line, sample)];
          EXPECT_EQ(p.Shown, shown >= 0 ? std::optional<int>(shown) : std::nullopt);
        }
      }
    }
}

// Boxes drawn on the picture and regions kept in the frame, both ways, against
// the pixels the readout maps to the region.
TEST(PictureBoxes, MapRegionsAndPointsBothWaysUnderEveryGeometry) {
  const FrameRegion region{RegionShape::Ellipse, 101, 201, 40, 60};
  for (int geometry = 0; geometry < 8; ++geometry) {
    SCOPED_TRACE(GeometryName(geometry));
    testing::TempDir dir;
    FrameDocument document;
    LoadGeometry(document, dir, std::size_t(FullFrameFileBytes), geometry);
    const PictureAxes axes = AxesOf(document.ActiveOptions(), document.LineCount());
    PictureBox expected{PictureSamples, FrameLines, -1, -1};
    for (int y = 0; y < FrameLines; ++y)
      for (int x = 0; x < PictureSamples; ++x)
        if (const auto r = ReadoutAt(document, x, y);
            r && Inside({RegionShape::Rectangle, 101, 201, 40, 60}, r->Position.Line, r->Position.Sample))
          expected = {std::min(expected.Left, x), std::min(expected.Top, y), std::max(expected.Right, x),
                      std::max(expected.Bottom, y)};
    const std::optional<PictureBox> box = PictureBoxOf(region, axes);
    ASSERT_EQ(box, expected);
    EXPECT_EQ(RegionOfPictureBox(*box, RegionShape::Ellipse, axes), region);

    const std::optional<PicturePoint> point = PicturePointOf({123, 457}, axes);
    ASSERT_TRUE(point);
    const FramePosition shown = ReadoutAt(document, point->X, point->Y)->Position;
    EXPECT_TRUE(123 - shown.Line >= 0 && 123 - shown.Line < shown.BlockSize) << shown.Line;
    EXPECT_TRUE(457 - shown.Sample >= 0 && 457 - shown.Sample < shown.BlockSize) << shown.Sample;
    const std::optional<FramePoint> back = FramePointOfPicture(*point, axes);
    EXPECT_EQ(std::pair(back->Line, back->Sample), std::pair(shown.Line, shown.Sample));
  }
  OptionSet plain{}, half{};
  Entry(half, Option::Minimize) = 1;
  EXPECT_EQ(RegionOfPictureBox({-50, -50, 10, 10}, RegionShape::Rectangle, AxesOf(plain, FrameLines)),
            (FrameRegion{RegionShape::Rectangle, 1, 1, 11, 11}));
  EXPECT_EQ(RegionOfPictureBox({0, 0, 100, 100}, RegionShape::Rectangle, AxesOf(half, FrameLines)), std::nullopt);
  EXPECT_EQ(PicturePointOf({650, 1}, AxesOf(plain, 600)), std::nullopt);
  EXPECT_EQ(PictureBoxOf({RegionShape::Rectangle, 650, 1, 10, 10}, AxesOf(plain, 600)), std::nullopt);

  // The pointer's mark: the nearest point within three pixels of the picture.
  LineProfile line;
  for (int i = 0; i < 5; ++i) line.Points.push_back({i, 10 + i, 10, std::nullopt, std::nullopt});
  EXPECT_EQ(ProfilePointNear(line, {12, 13, 1}), 2u);
  EXPECT_EQ(ProfilePointNear(line, {12, 14, 1}), std::nullopt);
  EXPECT_EQ(ProfilePointNear(line, {16, 13, 2}), 4u);
  EXPECT_EQ(ProfilePointNear(line, {12, 17, 2}), std::nullopt);
}

TEST(ProfileAlong, OutsideTheFrameHasNoPointsAndCsvLeavesMissingValuesEmpty) {
  FrameDocument document;
  EXPECT_EQ(ProfileAlong(document, {0, 5}, {-20, 40}).Problem, "the line lies outside the frame");
  LineProfile profile;
  profile.Points = {{0, 3, 4, 17, std::nullopt}, {2, 5, 6, std::nullopt, 250}};
  EXPECT_EQ(ProfileCsv(profile), "index,line,sample,raw,shown\n0,3,4,17,\n2,5,6,,250\n");
  RegionStatistics statistics;
  statistics.Raw = {.Count = 3, .Mean = 10.0 / 3, .Median = 2.5, .StandardDeviation = 0, .Minimum = 1, .Maximum = 7};
  statistics.Missing = 4;
  EXPECT_EQ(StatisticsCsv(statistics),
            "statistic,raw,shown\ncount,3,0\nmean,3.333,\nmedian,2.5,\nstd,0,\nmin,1,\nmax,7,\nmissing,4,\n"
            "saturated,0,\n");
}

}  // namespace
}  // namespace vantorel
