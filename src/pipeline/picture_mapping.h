// From a pixel of the composed picture back to the place in the loaded frame
// that it shows, undoing the composition, minimize, rotate and flip; and,
// axis by axis, from the frame's lines and samples to the rows and columns
// that show them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "pipeline/render_context.h"

namespace vantorel {

// A place in the loaded frame (PristineFrame): line 1..700, sample 1..832.
// A half-size picture shows the mean of a 2 x 2 block; its pixels give the
// block's first line and sample, with BlockSize 2.
struct FramePosition {
  int Line = 0;
  int Sample = 0;
  int BlockSize = 1;

  friend bool operator==(const FramePosition&, const FramePosition&) = default;
};

// x 0..831 from the left, y 0..699 from the top of the picture as shown.
// Nothing for a pixel outside the picture, on the grey around a half-size
// picture, on a row the composition left black, or showing a frame line past
// lineCount (which the frame does not have).
std::optional<FramePosition> FramePositionAt(int x, int y, const OptionSet& active, int lineCount);

// Samples First..Last (1-based, inclusive) of one line; empty when First > Last.
struct SampleRange {
  int First = 1;
  int Last = 0;
  int Size() const { return Last >= First ? Last - First + 1 : 0; }
  friend bool operator==(const SampleRange&, const SampleRange&) = default;
};

// The samples of work line 1..700 (FitsPlane row line - 1) that show a place
// of the frame after the geometry: the whole line, the half-size picture's
// columns, or none (a line the frame lacks, the grey around a half-size picture).
SampleRange PictureSamplesOf(int workLine, const OptionSet& active, int lineCount);
// The geometry acts on lines and samples separately: a row shows (a block
// of) one frame line, a column (a block of) one sample. These are the two
// halves of FramePositionAt, the block's first line or sample.
std::optional<int> FrameLineAt(int y, const OptionSet& active, int lineCount);
std::optional<int> FrameSampleAt(int x, const OptionSet& active);

// Which row shows each frame line and which column each sample, -1 where none
// does. A half-size picture shows both lines (samples) of a block in one row
// (column); First tells the block's first, so that a pixel is counted once.
struct PictureAxes {
  std::array<std::int16_t, FrameLines + 1> RowOfLine{};           // [line], 1-based
  std::array<std::int16_t, PictureSamples + 1> ColumnOfSample{};  // [sample], 1-based
  std::array<bool, FrameLines + 1> FirstLineOfBlock{};
  std::array<bool, PictureSamples + 1> FirstSampleOfBlock{};
  int BlockSize = 1;
};
PictureAxes AxesOf(const OptionSet& active, int lineCount);

}  // namespace vantorel
