#include "pipeline/picture_mapping.h"

#include "pipeline/half_size_picture.h"

namespace vantorel {

namespace {

// The line exchange that flip and rotate share is its own inverse.
constexpr int ExchangedLine(int line) { return FrameLines + 1 - line; }

int BlockSizeOf(const OptionSet& active) { return Entry(active, Option::Minimize) == 1 ? 2 : 1; }

}  // namespace

std::optional<int> FrameLineAt(int y, const OptionSet& active, int lineCount) {
  if (y < 0 || y >= FrameLines) return std::nullopt;
  // The composition writes line 1 as the bottom row and leaves rows past lineCount black.
  int line = FrameLines - y;
  if (line > lineCount) return std::nullopt;
  const int last = BlockSizeOf(active) - 1;
  if (last > 0) {
    const FrameRectangle half = HalfSizePicture(lineCount);
    if (line < half.FirstLine || line > half.LastLine) return std::nullopt;
    line = 2 * (line - half.FirstLine) + 1;
  }
  // Undone in the reverse order of the stages: rotate, then flip. A block's
  // first line becomes its last when the stage turns it round.
  if (Entry(active, Option::Rotate) == 1) line = ExchangedLine(line + last);
  if (Entry(active, Option::Flip) == 0) line = ExchangedLine(line + last);
  if (line + last > lineCount) return std::nullopt;
  return line;
}

std::optional<int> FrameSampleAt(int x, const OptionSet& active) {
  if (x < 0 || x >= PictureSamples) return std::nullopt;
  int sample = x + 1;
  const int last = BlockSizeOf(active) - 1;
  if (last > 0) {
    const FrameRectangle half = HalfSizePicture(FrameLines);
    if (sample < half.FirstSample || sample > half.LastSample) return std::nullopt;
    sample = 2 * (sample - half.FirstSample) + 1;
  }
  if (Entry(active, Option::Rotate) == 1) sample = PictureSamples + 1 - (sample + last);
  return sample;
}

std::optional<FramePosition> FramePositionAt(int x, int y, const OptionSet& active, int lineCount) {
  const std::optional<int> line = FrameLineAt(y, active, lineCount);
  const std::optional<int> sample = FrameSampleAt(x, active);
  if (!line || !sample) return std::nullopt;
  return FramePosition{.Line = *line, .Sample = *sample, .BlockSize = BlockSizeOf(active)};
}

PictureAxes AxesOf(const OptionSet& active, int lineCount) {
  PictureAxes axes;
  axes.BlockSize = BlockSizeOf(active);
  axes.RowOfLine.fill(-1);
  axes.ColumnOfSample.fill(-1);
  for (int y = 0; y < FrameLines; ++y)
    if (const std::optional<int> line = FrameLineAt(y, active, lineCount)) {
      axes.FirstLineOfBlock[std::size_t(*line)] = true;
      for (int d = 0; d < axes.BlockSize; ++d) axes.RowOfLine[std::size_t(*line + d)] = std::int16_t(y);
    }
  for (int x = 0; x < PictureSamples; ++x)
    if (const std::optional<int> sample = FrameSampleAt(x, active)) {
      axes.FirstSampleOfBlock[std::size_t(*sample)] = true;
      for (int d = 0; d < axes.BlockSize; ++d) axes.ColumnOfSample[std::size_t(*sample + d)] = std::int16_t(x);
    }
  return axes;
}

SampleRange PictureSamplesOf(int workLine, const OptionSet& active, int lineCount) {
  // Every sample of a line shows the frame, or none does; a half-size picture
  // keeps to its own columns. A column inside those decides for the line.
  const bool half = Entry(active, Option::Minimize) == 1;
  const FrameRectangle halfPicture = HalfSizePicture(FrameLines);
  const SampleRange columns =
      half ? SampleRange{halfPicture.FirstSample, halfPicture.LastSample} : SampleRange{1, PictureSamples};
  if (!FramePositionAt(columns.First - 1, FrameLines - workLine, active, lineCount)) return {};
  return columns;
}

}  // namespace vantorel
