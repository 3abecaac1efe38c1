#include "pipeline/picture_mapping.h"

#include "pipeline/half_size_picture.h"

namespace vantorel {

namespace {

// The line exchange that flip and rotate share is its own inverse.
constexpr int ExchangedLine(int line) { return FrameLines + 1 - line; }

}  // namespace

std::optional<FramePosition> FramePositionAt(int x, int y, const OptionSet& active, int lineCount) {
  if (x < 0 || x >= PictureSamples || y < 0 || y >= FrameLines) return std::nullopt;
  // The composition writes line 1 as the bottom row and leaves rows past lineCount black.
  int line = FrameLines - y;
  int sample = x + 1;
  if (line > lineCount) return std::nullopt;

  FramePosition position;
  if (Entry(active, Option::Minimize) == 1) {
    const FrameRectangle half = HalfSizePicture(lineCount);
    if (line < half.FirstLine || line > half.LastLine || sample < half.FirstSample || sample > half.LastSample)
      return std::nullopt;
    line = 2 * (line - half.FirstLine) + 1;
    sample = 2 * (sample - half.FirstSample) + 1;
    position.BlockSize = 2;
  }
  // Undone in the reverse order of the stages: rotate, then flip. A block's
  // first line and sample become its last when the stage turns them round.
  const int last = position.BlockSize - 1;
  if (Entry(active, Option::Rotate) == 1) {
    line = ExchangedLine(line + last);
    sample = PictureSamples + 1 - (sample + last);
  }
  if (Entry(active, Option::Flip) == 0) line = ExchangedLine(line + last);

  if (line + last > lineCount) return std::nullopt;
  position.Line = line;
  position.Sample = sample;
  return position;
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
