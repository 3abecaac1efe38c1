#include "viewer/zoom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace vantorel {
namespace {

// Zoom In walks the steps up from the lower limit and Zoom Out walks them back
// down; a fitted factor between steps goes to the nearest step on the way.
TEST(Zoom, StepsStopAtTheLimitsAndRejoinTheStepsFromAFit) {
  const double percents[] = {25, 33, 50, 67, 100, 150, 200, 300, 400, 600, 800, 1200, 1600};
  double up = MinZoom, down = MaxZoom;
  for (std::size_t i = 0; i < std::size(percents); ++i, up = ZoomedIn(up), down = ZoomedOut(down)) {
    EXPECT_NEAR(up * 100, percents[i], 0.5) << i;
    EXPECT_NEAR(down * 100, percents[std::size(percents) - 1 - i], 0.5) << i;
  }
  EXPECT_EQ(up, MaxZoom);
  EXPECT_EQ(down, MinZoom);

  struct Case {
    double from, in, out;
  };
  const Case cases[] = {{0.72, 1, 2.0 / 3}, {1.7, 2, 1.5}, {1 + 1e-12, 1.5, 2.0 / 3}};
  for (const Case& c : cases) {
    EXPECT_EQ(ZoomedIn(c.from), c.in) << c.from;
    EXPECT_EQ(ZoomedOut(c.from), c.out) << c.from;
  }
}

// The picture fills the viewport in its tighter direction at any factor
// between the limits, magnified ones included.
TEST(Zoom, FitShowsTheWholePicture) {
  struct Case {
    int width, height;
    double zoom;
  };
  const Case cases[] = {{832, 700, 1},     {1664, 1400, 2},          {1600, 1200, 1200.0 / 700},
                        {1248, 1400, 1.5}, {832 * 20, 700 * 20, 16}, {416, 700, 0.5},
                        {832, 525, 0.75},  {100, 100, 0.25}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(FitZoom(c.width, c.height), c.zoom) << c.width << " x " << c.height;
}

// At 1.5 picture pixels take 2, 1, 2 ... screen pixels; 29 / (725 / 700) is 28 exactly.
TEST(Zoom, UnzoomedPixelIsTheOneTheScreenPixelFallsIn) {
  for (const auto& [zoomed, zoom, pixel] :
       {std::tuple{1, 1.5, 0}, {2, 1.5, 1}, {3, 1.5, 2}, {29, 725.0 / 700, 28}, {1662, 1663.0 / 832, 831}})
    EXPECT_EQ(UnzoomedPixel(zoomed, zoom), pixel) << zoomed << " at " << zoom;
}

TEST(Zoom, TextIsInWholePercent) {
  const std::pair<double, const char*> cases[] = {{1, "100%"}, {16, "1600%"}, {0.25, "25%"}, {600.0 / 832, "72%"}};
  for (const auto& [zoom, text] : cases) EXPECT_EQ(ZoomText(zoom), text);
}

// The picture point under the pointer stays under it; magnified, on the same picture
// pixel, also where rounding alone would step onto the next (1.5 -> 1 at 4, 6 -> 2).
TEST(Zoom, AnchoredScrollKeepsThePointInPlace) {
  struct Case {
    int scroll, inViewport;
    double from, to;
  };
  const Case cases[] = {{60, 40, 1, 2}, {160, 40, 2, 1}, {0, 300, 1, 16}, {5000, 10, 16, 0.25},
                        {0, 4, 1.5, 1}, {300, 5, 6, 2},  {200, 3, 4, 3},  {37, 0, 1, 1.5}};
  for (const Case& c : cases) {
    const int anchor = c.scroll + c.inViewport;
    const int scroll = AnchoredScroll(anchor, c.inViewport, c.from, c.to);
    EXPECT_NEAR((scroll + c.inViewport) / c.to, anchor / c.from, 1 / c.to) << c.from << " -> " << c.to;
    if (c.to >= 1) {
      EXPECT_EQ(std::floor((scroll + c.inViewport) / c.to), std::floor(anchor / c.from)) << c.from << " -> " << c.to;
    }
  }
}

}  // namespace
}  // namespace vantorel
