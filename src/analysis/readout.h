// The pixel under the pointer: which place of the frame it shows, what the
// loaded frame holds there and what the picture shows.
#pragma once

#include <optional>
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

// x 0..831 from the left, y 0..699 from the top of the document's last
// render; nothing where that pixel shows no place of the frame.
std::optional<PixelReadout> ReadoutAt(const FrameDocument& document, int x, int y);

// "line 12, sample 345: raw 87, shown 140", or for a half-size picture's
// block "lines 11-12, samples 345-346: raw 87, shown 140".
std::string ReadoutText(const PixelReadout& readout);

}  // namespace vantorel
