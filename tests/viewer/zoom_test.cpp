#include "viewer/zoom.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

// Steps double and halve between the limits; a fitted factor between steps
// goes to the nearest step on the way.
TEST(Zoom, StepsStopAtTheLimitsAndRejoinTheStepsFromAFit) {
  struct Case {
    double from, in, out;
  };
  const Case cases[] = {{1, 2, 0.5},       {2, 4, 1},      {8, 16, 4}, {16, 16, 8},        {0.5, 1, 0.25},
                        {0.25, 0.5, 0.25}, {0.72, 1, 0.5}, {3, 4, 2},  {1 + 1e-12, 2, 0.5}};
  for (const Case& c : cases) {
    EXPECT_EQ(ZoomedIn(c.from), c.in) << c.from;
    EXPECT_EQ(ZoomedOut(c.from), c.out) << c.from;
  }
}

// Whole factors when magnified, so that picture pixels stay equal squares;
// any factor down to the lower limit when shrunk.
TEST(Zoom, FitShowsTheWholePicture) {
  struct Case {
    int width, height;
    double zoom;
  };
  const Case cases[] = {{832, 700, 1},   {1664, 1400, 2},  {2400, 1400, 2}, {1663, 1400, 1}, {832 * 20, 700 * 20, 16},
                        {416, 700, 0.5}, {832, 525, 0.75}, {100, 100, 0.25}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(FitZoom(c.width, c.height), c.zoom) << c.width << " x " << c.height;
}

TEST(Zoom, TextIsInWholePercent) {
  const std::pair<double, const char*> cases[] = {{1, "100%"}, {16, "1600%"}, {0.25, "25%"}, {600.0 / 832, "72%"}};
  for (const auto& [zoom, text] : cases) EXPECT_EQ(ZoomText(zoom), text);
}

// The picture point under the pointer stays under it.
TEST(Zoom, AnchoredScrollKeepsThePointInPlace) {
  struct Case {
    int scroll, inViewport;
    double from, to;
  };
  const Case cases[] = {{60, 40, 1, 2}, {160, 40, 2, 1}, {0, 300, 1, 16}, {5000, 10, 16, 0.25}};
  for (const Case& c : cases) {
    const int anchor = c.scroll + c.inViewport;
    const int scroll = AnchoredScroll(anchor, c.inViewport, c.from, c.to);
    EXPECT_NEAR((scroll + c.inViewport) / c.to, anchor / c.from, 0.5 / c.to) << c.from << " -> " << c.to;
  }
}

}  // namespace
}  // namespace vantorel
