#include "output/png_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::BmpAsRgb;
using testing::DecodePng;

constexpr int GreyType = 0, RgbType = 2, PaletteType = 3;

// A composed BMP whose pixel (x, y), y = 0 the top row, is colour(x, y) as {red, green, blue}.
std::vector<std::uint8_t> MakeBmp(const std::function<std::array<int, 3>(int, int)>& colour) {
  std::vector<std::uint8_t> bmp(BmpFileBytes, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  for (int y = 0; y < FrameLines; ++y) {
    for (int x = 0; x < PictureSamples; ++x) {
      const auto [red, green, blue] = colour(x, y);
      const std::size_t at = BmpHeaderBytes + std::size_t(FrameLines - 1 - y) * BmpRowBytes + std::size_t(x) * 3;
      bmp[at] = std::uint8_t(blue);
      bmp[at + 1] = std::uint8_t(green);
      bmp[at + 2] = std::uint8_t(red);
    }
  }
  return bmp;
}

bool LastPixel(int x, int y) { return x == PictureSamples - 1 && y == FrameLines - 1; }

// 256 colours, none of them grey, all over the picture.
std::array<int, 3> Spread(int x, int y) {
  const int i = (x + y * PictureSamples) % 256;
  return {i, 0, 255 - i};
}

struct ColourCase {
  const char* Name;
  std::function<std::array<int, 3>(int, int)> Colour;
  int ColorType;
};

// The smallest colour type that holds the pixels exactly, at its limits, and
// always the BMP's pixels, the right way up, whatever the rows' filter.
TEST(BuildPngFile, ChoosesTheColourTypeAndKeepsEveryPixel) {
  const ColourCase cases[] = {
      {"grey",
       [](int x, int y) {
         return std::array{(x + 3 * y) % 256, (x + 3 * y) % 256, (x + 3 * y) % 256};
       },
       GreyType},
      {"grey but the last pixel",
       [](int x, int y) {
         return std::array{x % 128, x % 128, x % 128 + (LastPixel(x, y) ? 1 : 0)};
       },
       PaletteType},
      {"256 colours", Spread, PaletteType},
      {"a 257th colour in the last pixel",
       [](int x, int y) {
         return LastPixel(x, y) ? std::array{1, 1, 1} : Spread(x, y);
       },
       RgbType},
      // Every predictor of every filter, ties included, shows in noise.
      {"noise",
       [](int x, int y) {
         const auto hash = (std::uint32_t(x) * 73856093u ^ std::uint32_t(y) * 19349663u) * 2654435761u;
         return std::array{int(hash >> 24), int(hash >> 16 & 0xFF), int(hash >> 8 & 0xFF)};
       },
       RgbType},
  };
  for (const ColourCase& row : cases) {
    const std::vector<std::uint8_t> bmp = MakeBmp(row.Colour);
    for (const PngFilter filter :
         {PngFilter::Up, PngFilter::None, PngFilter::Sub, PngFilter::Paeth, PngFilter::Adaptive}) {
      SCOPED_TRACE(std::string(row.Name) + ", filter " + std::to_string(int(filter)));
      const auto png = BuildPngFile(bmp, {}, PngEncoding{.Filter = filter});
      ASSERT_TRUE(png);
      const auto decoded = DecodePng(*png);
      ASSERT_TRUE(decoded);
      EXPECT_EQ(decoded->ColorType, row.ColorType);
      EXPECT_TRUE(decoded->Rgb == BmpAsRgb(bmp));
    }
  }
}

// Text goes in as bytes and reads back the same, or escaped when it is not
// UTF-8 text that a chunk may hold.
TEST(BuildPngFile, WritesTextAsTextChunksOrEscaped) {
  constexpr int TextChunk = 1, InternationalChunk = 3;
  const struct {
    std::string Text, ReadBack;
    int Type;
  } cases[] = {
      {"MVE0101.012", "MVE0101.012", TextChunk},
      {"Spacecraft = Mariner 10\nGMT = 12/30/45", "Spacecraft = Mariner 10\nGMT = 12/30/45", TextChunk},
      {"Mars \xc3\xa9t\xc3\xa9", "Mars \xc3\xa9t\xc3\xa9", InternationalChunk},
      {"a\xff.001", "a\\xFF.001", TextChunk},
      {"\xc3\xa9\\\xc3", "\\xC3\\xA9\\x5C\\xC3", TextChunk},  // cut short: not UTF-8
      {"tab\there", "tab\\x09here", TextChunk},
      {"\xc0\xaf", "\\xC0\\xAF", TextChunk},  // an overlong '/'
      // The first three-byte code point and the last of all.
      {"\xe0\xa0\x80 \xf4\x8f\xbf\xbf", "\xe0\xa0\x80 \xf4\x8f\xbf\xbf", InternationalChunk},
  };
  PngText text;
  for (std::size_t i = 0; i < std::size(cases); ++i) text.push_back({"Key " + std::to_string(i), cases[i].Text});
  text.push_back({"Empty", ""});  // says nothing, so it is left out
  const auto png = BuildPngFile(MakeBmp([](int, int) { return std::array{1, 2, 3}; }), text);
  ASSERT_TRUE(png);
  const auto decoded = DecodePng(*png);
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->Texts.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(decoded->Texts[i].Keyword, text[i].Keyword);
    EXPECT_EQ(decoded->Texts[i].Value, cases[i].ReadBack) << i;
    EXPECT_EQ(decoded->Texts[i].Type, cases[i].Type) << i;
  }
}

TEST(BuildPngFile, WritesNothingForWhatIsNoComposedBmpOrNoKeyword) {
  const std::vector<std::uint8_t> bmp = MakeBmp([](int, int) { return std::array{0, 0, 0}; });
  std::vector<std::uint8_t> shortBmp(bmp.begin(), bmp.end() - 1), notBmp = bmp;
  notBmp[0] = 'P';
  EXPECT_FALSE(BuildPngFile(shortBmp, {}));
  EXPECT_FALSE(BuildPngFile(notBmp, {}));
  for (const char* keyword : {"", " Title", "Two  spaces", "Caf\xe9", "Line\nbreak"})
    EXPECT_FALSE(BuildPngFile(bmp, {{keyword, "x"}})) << keyword;
  EXPECT_FALSE(BuildPngFile(bmp, {{std::string(80, 'k'), "x"}}));
  EXPECT_TRUE(BuildPngFile(bmp, {{std::string(79, 'k'), "x"}}));
}

}  // namespace
}  // namespace vantorel
