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

}  // namespace

AlignmentPicture RenderedPicture::View() const { return {Samples, Shown, PictureSamples, FrameLines}; }

RenderedPicture RenderedPictureOf(const FrameDocument& document) {
  RenderedPicture picture{std::vector<std::uint8_t>(std::size_t(PictureSamples) * FrameLines),
                          std::vector<std::uint8_t>(std::size_t(PictureSamples) * FrameLines)};
  const std::vector<std::uint8_t>& plane = document.FitsPlane();
  for (int y = 0; y < FrameLines; ++y) {
    // The plane's rows run bottom-up: row r is work line r + 1.
    const int workLine = FrameLines - y;
    const std::uint8_t* row = plane.data() + std::size_t(workLine - 1) * PictureSamples;
    const SampleRange shown = PictureSamplesOf(workLine, document.ActiveOptions(), document.LineCount());
    for (int x = 0; x < PictureSamples; ++x) {
      const std::size_t i = std::size_t(y) * PictureSamples + std::size_t(x);
      picture.Samples[i] = row[x];
      picture.Shown[i] = x + 1 >= shown.First && x + 1 <= shown.Last && row[x] != 0;
    }
  }
  return picture;
}

AlignmentResult AlignRenders(const FrameDocument& reference, const FrameDocument& moving) {
  return FindOffset(RenderedPictureOf(reference).View(), RenderedPictureOf(moving).View());
}

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
  const RenderedPicture one = RenderedPictureOf(first), two = RenderedPictureOf(second);
  for (int y = 0; y < FrameLines; ++y)
    for (int x = 0; x < PictureSamples; ++x) {
      int sx = 0, sy = 0;
      if (!SecondPlace(offset, x, y, sx, sy)) continue;
      const std::size_t i = std::size_t(y) * PictureSamples + std::size_t(x);
      const std::size_t j = std::size_t(sy) * PictureSamples + std::size_t(sx);
      if (!one.Shown[i] || !two.Shown[j]) continue;
      const int difference = int(one.Samples[i]) - int(two.Samples[j]);
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
