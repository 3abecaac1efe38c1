#include <gtest/gtest.h>

#include "output/print_rect.h"

namespace vantorel {
namespace {

constexpr int BitmapWidth = 832;
constexpr int BitmapHeight = 700;

struct PageCase {
  int pageWidth, pageHeight;
  PrintRect expected;
};

class PrintRectangleTest : public ::testing::TestWithParam<PageCase> {};

TEST_P(PrintRectangleTest, FitsTheBitmapToThePage) {
  const PageCase& page = GetParam();
  const PrintRect rect = PrintRectangle(page.pageWidth, page.pageHeight, BitmapWidth, BitmapHeight);
  EXPECT_EQ(rect, page.expected) << page.pageWidth << " x " << page.pageHeight << " gave (" << rect.Left << ", "
                                 << rect.Top << ", " << rect.Right << ", " << rect.Bottom << ")";
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PrintRectangleTest,
    ::testing::Values(PageCase{4800, 6600, {0, 0, 4800, 4038}},  // height truncated, not rounded
                      PageCase{4992, 6600, {0, 0, 4992, 4200}},  // whole scale
                      PageCase{6600, 4800, {0, 0, 6600, 4800}},  // height limited, proportion lost
                      PageCase{832, 1100, {0, 0, 832, 700}},     // not strictly wider: no scaling
                      PageCase{600, 800, {0, 0, 832, 700}},      // narrower page: bitmap size
                      PageCase{833, 1100, {0, 0, 833, 700}},     // 700.84 truncated
                      PageCase{833, 500, {0, 0, 833, 500}},      // limited even by a small scale
                      PageCase{600, 100, {0, 0, 832, 700}}));    // no limit without scaling

TEST(PrintRectangle, BitmapWithoutWidthIsNotScaled) {
  EXPECT_EQ(PrintRectangle(4800, 6600, 0, 0), (PrintRect{0, 0, 0, 0}));
}

}  // namespace
}  // namespace vantorel
