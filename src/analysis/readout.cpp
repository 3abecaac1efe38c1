#include "analysis/readout.h"

namespace vantorel {

namespace {

// Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on a literal
// added to a temporary string.
void AppendRange(std::string& text, int first, int size) {
  text += std::to_string(first);
  if (size > 1) {
    text += '-';
    text += std::to_string(first + size - 1);
  }
}

}  // namespace

int ShownLevelAt(const FrameDocument& document, int x, int y) {
  return document.ShownLevels()[document.FitsPlane()[ShownLevelIndex(x, y)]];
}

std::optional<PixelReadout> ReadoutAt(const FrameDocument& document, int x, int y) {
  const std::optional<FramePosition> position = FramePositionAt(x, y, document.ActiveOptions(), document.LineCount());
  if (!position) return std::nullopt;
  int rawSum = 0;
  for (int line = position->Line; line < position->Line + position->BlockSize; ++line)
    for (int sample = position->Sample; sample < position->Sample + position->BlockSize; ++sample)
      rawSum += document.PristineFrame()[SampleOffset(line, sample)];
  return PixelReadout{.Position = *position,
                      .Raw = rawSum / (position->BlockSize * position->BlockSize),
                      .Shown = ShownLevelAt(document, x, y)};
}

PixelTable PixelTableAround(const FrameDocument& document, int x, int y) {
  constexpr int reach = PixelTableSide / 2;
  PixelTable table;
  for (int row = 0; row < PixelTableSide; ++row)
    for (int column = 0; column < PixelTableSide; ++column)
      table[std::size_t(row * PixelTableSide + column)] = ReadoutAt(document, x - reach + column, y - reach + row);
  return table;
}

std::string PositionText(const FramePosition& position) {
  const bool block = position.BlockSize > 1;
  std::string text = block ? "lines " : "line ";
  AppendRange(text, position.Line, position.BlockSize);
  text += block ? ", samples " : ", sample ";
  AppendRange(text, position.Sample, position.BlockSize);
  return text;
}

std::string ReadoutText(const PixelReadout& readout) {
  std::string text = PositionText(readout.Position);
  text += ": raw ";
  text += std::to_string(readout.Raw);
  text += ", shown ";
  text += std::to_string(readout.Shown);
  return text;
}

}  // namespace vantorel
