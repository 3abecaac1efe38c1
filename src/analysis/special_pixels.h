// The frame samples worth pointing out: missing (0), saturated (255), and
// those the cleaning stages replaced, as a mask over the picture shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "viewer/frame_document.h"

namespace vantorel {

enum SpecialPixelBit : std::uint8_t { MissingBit = 1, SaturatedBit = 2, ReplacedBit = 4 };

struct SpecialPixelCounts {
  std::int32_t Missing = 0;
  std::int32_t Saturated = 0;
  std::int32_t Replaced = 0;
};

struct SpecialPixelMap {
  std::vector<std::uint8_t> Screen;  // PictureSamples x FrameLines bytes, row 0 at the top of the picture as shown
  SpecialPixelCounts Counts;
};

// Missing: samples 0 in the loaded frame (lines 1..LineCount, samples 1..832);
// Saturated: 255 there; Replaced: frame samples that reconstruction or
// despeckle changed in the document's last render (none after Original
// Image), which the document must keep (KeepReplacedSamples; std::logic_error
// if not). Counts are over frame samples (Replaced: distinct samples). Screen
// maps each shown pixel back through the geometry; a half-size pixel carries
// the bits of its 2 x 2 block.
SpecialPixelMap FindSpecialPixels(const FrameDocument& document);

// "missing 1,204 / saturated 37 / replaced 5,610".
std::string SpecialPixelStatusText(const SpecialPixelCounts& counts);

}  // namespace vantorel
