#include "export/comparison.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "frames/frame_layout.h"
#include "pipeline/picture_mapping.h"

namespace vantorel {

namespace {

constexpr int BytesPerPixel = 3;
// The difference at which the diverging map reaches its full colour.
constexpr int FullDifference = 128;

// The composed picture's pixel (x, y from the top).
const std::uint8_t* PixelOf(const FrameDocument& document, int x, int y) {
  return document.CurrentBmp().data() + BmpHeaderBytes + std::size_t(FrameLines - 1 - y) * BmpRowBytes +
         std::size_t(x) * BytesPerPixel;
}

// Where the second's pixel that shows the first's place (x, y) lies; false when outside.
bool SecondPlace(const PictureOffset& offset, int x, int y, int& secondX, int& secondY) {
  secondX = x + int(std::lround(offset.Samples));
  secondY = y + int(std::lround(offset.Lines));
  return secondX >= 0 && secondX < PictureSamples && secondY >= 0 && secondY < FrameLines;
}

// Whether picture pixel (x, y) shows the frame: within the picture the geometry makes, not missing (0).
bool Shows(const FrameDocument& document, int x, int y) {
  const int workLine = FrameLines - y;
  const SampleRange range = PictureSamplesOf(workLine, document.ActiveOptions(), document.LineCount());
  return x + 1 >= range.First && x + 1 <= range.Last &&
         document.FitsPlane()[std::size_t(workLine - 1) * PictureSamples + std::size_t(x)] != 0;
}

}  // namespace

ComparisonPicture AlignedSecond(const FrameDocument& second, const PictureOffset& offset) {
  ComparisonPicture picture{std::vector<std::uint8_t>(std::size_t(PictureSamples) * FrameLines * BytesPerPixel, 0),
                            PictureSamples, FrameLines};
  for (int y = 0; y < FrameLines; ++y)
    for (int x = 0; x < PictureSamples; ++x) {
      int sx = 0, sy = 0;
      if (!SecondPlace(offset, x, y, sx, sy)) continue;
      std::copy_n(PixelOf(second, sx, sy), BytesPerPixel,
                  picture.Bgr.begin() + (std::ptrdiff_t(y) * PictureSamples + x) * BytesPerPixel);
    }
  return picture;
}

ComparisonPicture SideBySide(const FrameDocument& first, const FrameDocument& second, const PictureOffset& offset) {
  const ComparisonPicture aligned = AlignedSecond(second, offset);
  ComparisonPicture picture{std::vector<std::uint8_t>(std::size_t(2 * PictureSamples) * FrameLines * BytesPerPixel),
                            2 * PictureSamples, FrameLines};
  const std::size_t half = std::size_t(PictureSamples) * BytesPerPixel;
  for (int y = 0; y < FrameLines; ++y) {
    std::uint8_t* row = picture.Bgr.data() + std::size_t(y) * 2 * half;
    std::copy_n(PixelOf(first, 0, y), half, row);
    std::copy_n(aligned.Bgr.data() + std::size_t(y) * half, half, row + half);
  }
  return picture;
}

ComparisonPicture Difference(const FrameDocument& first, const FrameDocument& second, const PictureOffset& offset) {
  ComparisonPicture picture{std::vector<std::uint8_t>(std::size_t(PictureSamples) * FrameLines * BytesPerPixel, 0),
                            PictureSamples, FrameLines};
  const std::vector<std::uint8_t>& firstPlane = first.FitsPlane();
  const std::vector<std::uint8_t>& secondPlane = second.FitsPlane();
  for (int y = 0; y < FrameLines; ++y)
    for (int x = 0; x < PictureSamples; ++x) {
      int sx = 0, sy = 0;
      if (!SecondPlace(offset, x, y, sx, sy) || !Shows(first, x, y) || !Shows(second, sx, sy)) continue;
      const int difference = int(firstPlane[std::size_t(FrameLines - 1 - y) * PictureSamples + std::size_t(x)]) -
                             int(secondPlane[std::size_t(FrameLines - 1 - sy) * PictureSamples + std::size_t(sx)]);
      // White fading towards red (first brighter) or blue (second brighter).
      const auto fade = std::uint8_t(255 - 255 * std::min(std::abs(difference), FullDifference) / FullDifference);
      std::uint8_t* pixel = picture.Bgr.data() + (std::size_t(y) * PictureSamples + std::size_t(x)) * BytesPerPixel;
      pixel[0] = difference > 0 ? fade : 255;  // blue
      pixel[1] = fade;                         // green
      pixel[2] = difference < 0 ? fade : 255;  // red
    }
  return picture;
}

}  // namespace vantorel
