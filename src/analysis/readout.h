// The pixel under the pointer: which place of the frame it shows, what the
// loaded frame holds there and what the picture shows.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "pipeline/picture_mapping.h"
#include "viewer/frame_document.h"

namespace vantorel {

// The frame place under a picture pixel, what the loaded frame holds there
// (for a half-size picture, the truncated mean of its 2 x 2 block) and the grey
// level the last render shows there, after its display scale.
struct PixelReadout {
  FramePosition Position;
  int Raw = 0;
  int Shown = 0;
};

// Where picture pixel x 0..831, y 0..699 from the top lies in FitsPlane (the
// bottom row first).
constexpr std::size_t ShownLevelIndex(int x, int y) {
  return std::size_t(FrameLines - 1 - y) * PictureSamples + std::size_t(x);
}
// The level picture pixel (x, y) shows: its grey level through the display
// scale. What "shown" means wherever a value is read off the picture, the
// readout, region statistics and profiles alike.
int ShownLevelAt(const FrameDocument& document, int x, int y);

// x 0..831 from the left, y 0..699 from the top of the document's last
// render; nothing where that pixel shows no place of the frame.
std::optional<PixelReadout> ReadoutAt(const FrameDocument& document, int x, int y);

// "line 12, sample 345", or for a half-size picture's block "lines 11-12, samples 345-346".
std::string PositionText(const FramePosition& position);

// "line 12, sample 345: raw 87, shown 140", or for a half-size picture's
// block "lines 11-12, samples 345-346: raw 87, shown 140".
std::string ReadoutText(const PixelReadout& readout);

// The readouts of the 9 x 9 picture pixels centred on (x, y), row by row
// from the top; nothing where a pixel shows no place of the frame.
inline constexpr int PixelTableSide = 9;
using PixelTable = std::array<std::optional<PixelReadout>, PixelTableSide * PixelTableSide>;
PixelTable PixelTableAround(const FrameDocument& document, int x, int y);

}  // namespace vantorel
