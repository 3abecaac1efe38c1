#include <algorithm>
#include <cstring>

#include "pipeline/half_size_picture.h"
#include "pipeline/stages.h"

namespace vantorel {

namespace {

void PutLittleEndian(std::uint8_t* at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

Rgb ComputeColor(int v) {
  const int e = std::min(3 * v * 1000 / 765, 1000);
  auto b = [](int x) { return static_cast<std::uint8_t>(x); };
  if (e <= 250) return {b(e), 0, 0};
  if (e <= 500) return {250, b(e - 250), 0};
  if (e <= 750) return {b(750 - e), b(750 - e), b(e - 500)};
  return {b(e - 750), b(e - 750), 250};
}

const std::array<Rgb, 256>& ColorTable() {
  static const std::array<Rgb, 256> table = [] {
    std::array<Rgb, 256> t{};
    for (int v = 0; v < 256; ++v) t[v] = ComputeColor(v);
    return t;
  }();
  return table;
}

// The place of a full frame's half-size picture, however many lines were read.
constexpr FrameRectangle ColourWindow = HalfSizePicture(FrameLines);

enum class Mode { Grey, Colour, ColourWindow };

// Samples first..last (1-based, inclusive) of a line; empty when first > last.
struct SampleRun {
  int first, last;
};

// Which samples of `line` are coloured; the rest of the line is grey.
SampleRun ColouredSamples(Mode mode, int line) {
  constexpr SampleRun none{1, 0};
  switch (mode) {
    case Mode::Grey: return none;
    case Mode::Colour: return {1, PictureSamples};
    case Mode::ColourWindow:
      if (line < ColourWindow.FirstLine || line > ColourWindow.LastLine) return none;
      return {ColourWindow.FirstSample, ColourWindow.LastSample};
  }
  return none;
}

using PixelBytes = std::array<std::uint8_t, 3>;  // blue, green, red
using PixelTable = std::array<PixelBytes, 256>;

// Both modes go through a table in pixel byte order, so that a pixel is one
// plain 3-byte copy whatever its colour.
const PixelTable& GreyPixels() {
  static const PixelTable table = [] {
    PixelTable t{};
    for (int v = 0; v < 256; ++v) t[v].fill(static_cast<std::uint8_t>(v));
    return t;
  }();
  return table;
}

const PixelTable& ColourPixels() {
  static const PixelTable table = [] {
    PixelTable t{};
    for (int v = 0; v < 256; ++v) {
      const Rgb c = ColorTable()[v];
      t[v] = {c.blue, c.green, c.red};
    }
    return t;
  }();
  return table;
}

void PutRun(const PixelTable& pixels, const std::uint8_t* samples, std::uint8_t* row, SampleRun run) {
  for (int s = run.first; s <= run.last; ++s) std::memcpy(row + 3 * (s - 1), pixels[samples[s - 1]].data(), 3);
}

// The mode is settled per line so that the per-pixel loops carry no decisions.
void ComposeLine(Mode mode, int line, const std::uint8_t* samples, std::uint8_t* row) {
  const SampleRun coloured = ColouredSamples(mode, line);
  PutRun(GreyPixels(), samples, row, {1, coloured.first - 1});
  PutRun(ColourPixels(), samples, row, coloured);
  PutRun(GreyPixels(), samples, row, {coloured.last + 1, PictureSamples});
}

}  // namespace

Rgb ColorizeSample(std::uint8_t v) { return ColorTable()[v]; }

void WriteBitmapHeader(RenderContext& context) {
  std::uint8_t* h = context.BitmapImage.data();
  h[0] = 'B';
  h[1] = 'M';
  PutLittleEndian(h + 2, BmpFileBytes, 4);
  PutLittleEndian(h + 10, BmpHeaderBytes, 4);
  PutLittleEndian(h + 14, 40, 4);
  PutLittleEndian(h + 18, PictureSamples, 4);
  PutLittleEndian(h + 22, FrameLines, 4);
  PutLittleEndian(h + 26, 1, 2);
  PutLittleEndian(h + 28, 24, 2);
  PutLittleEndian(h + 34, BmpPixelBytes, 4);
}

void ComposeBitmap(RenderContext& context) {
  const int lines = context.PresentLines();
  const bool colorize = context.On(Option::Colorize);
  const Mode mode = !colorize ? Mode::Grey : context.On(Option::Minimize) ? Mode::ColourWindow : Mode::Colour;
  for (int line = 1; line <= lines; ++line) {
    const std::uint8_t* samples = context.WorkFrame.data() + SampleOffset(line, 1);
    ComposeLine(mode, line, samples, context.BitmapImage.data() + BmpHeaderBytes + std::size_t(line - 1) * BmpRowBytes);
    std::memcpy(context.FitsPlane.data() + std::size_t(line - 1) * PictureSamples, samples, PictureSamples);
  }
  // Rows this render did not compose must not keep an earlier frame's samples.
  std::fill(context.FitsPlane.begin() + std::ptrdiff_t(lines) * PictureSamples, context.FitsPlane.end(), 0);
}

}  // namespace vantorel
