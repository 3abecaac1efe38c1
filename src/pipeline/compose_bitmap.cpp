#include <algorithm>
#include <bit>
#include <cstring>

#include "pipeline/half_size_picture.h"
#include "pipeline/picture_mapping.h"
#include "pipeline/stages.h"
#include "pipeline/vector_clones.h"

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

const ColorTable& ColorizeRamp() {
  static const ColorTable table = [] {
    ColorTable t{};
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

static_assert(std::endian::native == std::endian::little, "pixels are assembled in words");

// Blue, green and red in the low three bytes of a little-endian word, so that a
// pixel is one 4-byte store whose fourth byte the next pixel overwrites.
using PixelTable = std::array<std::uint32_t, 256>;

constexpr std::uint32_t PixelWord(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  return std::uint32_t(blue) | std::uint32_t(green) << 8 | std::uint32_t(red) << 16;
}

const PixelTable& GreyPixels() {
  static const PixelTable table = [] {
    PixelTable t{};
    for (int v = 0; v < 256; ++v) t[v] = PixelWord(std::uint8_t(v), std::uint8_t(v), std::uint8_t(v));
    return t;
  }();
  return table;
}

const PixelTable& ColourPixels() {
  static const PixelTable table = [] {
    PixelTable t{};
    for (int v = 0; v < 256; ++v) {
      const Rgb c = ColorizeRamp()[v];
      t[v] = PixelWord(c.blue, c.green, c.red);
    }
    return t;
  }();
  return table;
}

// Eight pixels as three 8-byte stores: store count, not arithmetic, is what
// limits composition.
inline void PutEightPixels(const PixelTable& pixels, const std::uint8_t* samples, std::uint8_t* at) {
  std::uint64_t eight = 0, p[8];
  std::memcpy(&eight, samples, 8);
  for (int k = 0; k < 8; ++k) p[k] = pixels[(eight >> 8 * k) & 0xFF];
  const std::uint64_t first = p[0] | p[1] << 24 | p[2] << 48;
  const std::uint64_t second = p[2] >> 16 | p[3] << 8 | p[4] << 32 | p[5] << 56;
  const std::uint64_t third = p[5] >> 8 | p[6] << 16 | p[7] << 40;
  std::memcpy(at, &first, 8);
  std::memcpy(at + 8, &second, 8);
  std::memcpy(at + 16, &third, 8);
}

// Every run is whole groups of eight: the line and the colour window both
// begin and end on a group's edge.
static_assert(PictureSamples % 8 == 0 && (ColourWindow.FirstSample - 1) % 8 == 0 && ColourWindow.LastSample % 8 == 0,
              "composition writes eight pixels at a time");

void PutRun(const PixelTable& pixels, const std::uint8_t* samples, std::uint8_t* row, SampleRun run) {
  for (int s = run.first; s <= run.last; s += 8) PutEightPixels(pixels, samples + (s - 1), row + 3 * (s - 1));
}

// With AVX2 the compiler makes byte shuffles of this plain loop, several
// times faster than any table.
VANTOREL_AVX2 void PutGreyRunWithAvx2(const std::uint8_t* samples, std::uint8_t* row, SampleRun run) {
  for (int s = run.first - 1; s < run.last; ++s) row[3 * s] = row[3 * s + 1] = row[3 * s + 2] = samples[s];
}

void PutGreyRun(bool avx2, const std::uint8_t* samples, std::uint8_t* row, SampleRun run) {
  if (avx2)
    PutGreyRunWithAvx2(samples, row, run);
  else
    PutRun(GreyPixels(), samples, row, run);
}

// The mode is settled per line so that the per-pixel loops carry no decisions.
void ComposeLine(Mode mode, bool avx2, int line, const std::uint8_t* samples, std::uint8_t* row) {
  const SampleRun coloured = ColouredSamples(mode, line);
  PutGreyRun(avx2, samples, row, {1, coloured.first - 1});
  PutRun(ColourPixels(), samples, row, coloured);
  PutGreyRun(avx2, samples, row, {coloured.last + 1, PictureSamples});
}

// The pixels of picture samples under a display scale or colour map: each
// grey level through the shown levels, then the colour map, or the Colorize
// ramp where that colours (Colorize, being one of the options, wins).
struct DisplayPixels {
  PixelTable Grey, Colour;
};

DisplayPixels DisplayPixelsFor(const RenderContext& context) {
  DisplayPixels pixels{};
  const ColorTable& map = ColorMapTable(context.Display.Map);
  for (std::size_t v = 0; v < 256; ++v) {
    const std::uint8_t shown = context.ShownLevels[v];
    pixels.Grey[v] = PixelWord(map[shown].blue, map[shown].green, map[shown].red);
    pixels.Colour[v] = ColourPixels()[shown];
  }
  return pixels;
}

bool Within(int sample, SampleRun run) { return sample >= run.first && sample <= run.last; }

// Only the picture samples take the display's pixels: the grey around a
// half-size picture and the lines the frame lacks stay as composed before.
void ComposeDisplayLine(Mode mode, const DisplayPixels& display, SampleRange picture, int line,
                        const std::uint8_t* samples, std::uint8_t* row) {
  const SampleRun coloured = ColouredSamples(mode, line);
  const PixelTable* tables[2][2] = {{&GreyPixels(), &ColourPixels()}, {&display.Grey, &display.Colour}};
  for (int s = 1; s <= PictureSamples; s += 8) {
    const bool shown = s >= picture.First && s <= picture.Last;
    PutEightPixels(*tables[shown][Within(s, coloured)], samples + (s - 1), row + 3 * (s - 1));
  }
}

bool DisplayIsIdentity(const RenderContext& context) {
  return context.Display.Map == ColorMap::Grey && context.ShownLevels == IdentityLevels();
}

}  // namespace

Rgb ColorizeSample(std::uint8_t v) { return ColorizeRamp()[v]; }

void WriteBitmapHeader(RenderContext& context) {
  std::uint8_t* h = context.BitmapImage.data();
  std::fill_n(h, BmpHeaderBytes, 0);
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
  const bool avx2 = ProcessorHasAvx2();
  const bool plain = DisplayIsIdentity(context);
  const DisplayPixels display = plain ? DisplayPixels{} : DisplayPixelsFor(context);
  for (int line = 1; line <= lines; ++line) {
    const std::uint8_t* samples = context.WorkFrame.data() + SampleOffset(line, 1);
    std::uint8_t* row = context.BitmapImage.data() + BmpHeaderBytes + std::size_t(line - 1) * BmpRowBytes;
    if (plain)
      ComposeLine(mode, avx2, line, samples, row);
    else
      ComposeDisplayLine(mode, display, PictureSamplesOf(line, context.ActiveOptions, lines), line, samples, row);
    std::memcpy(context.FitsPlane.data() + std::size_t(line - 1) * PictureSamples, samples, PictureSamples);
  }
  // Rows this render did not compose must not keep an earlier frame's samples.
  std::fill(context.FitsPlane.begin() + std::ptrdiff_t(lines) * PictureSamples, context.FitsPlane.end(),
            std::uint8_t{0});
  std::fill_n(context.BitmapImage.begin() + BmpHeaderBytes + std::ptrdiff_t(lines) * BmpRowBytes,
              std::size_t(FrameLines - lines) * BmpRowBytes, std::uint8_t{0});
}

}  // namespace vantorel
