// What comparing two frames shows: the second moved onto the first (for
// blinking between them), both side by side, or their difference through a
// diverging colour map. The offset is where the second's picture lies
// relative to the first's (as FindOffset gives it), in picture rows and columns.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/alignment.h"
#include "viewer/frame_document.h"

namespace vantorel {

// A document's last render as alignment and composites read it: its grey
// levels, top row first, and which of them show the frame (the samples the
// geometry gives, less the missing ones, 0).
struct RenderedPicture {
  std::vector<std::uint8_t> Samples, Shown;
  AlignmentPicture View() const;
};
RenderedPicture RenderedPictureOf(const FrameDocument& document);

// Where moving's last render lies relative to reference's.
AlignmentResult AlignRenders(const FrameDocument& reference, const FrameDocument& moving);

// Pixels top row first, blue first in each (a BgrPicture's).
struct ComparisonPicture {
  std::vector<std::uint8_t> Bgr;
  int Width = 0;
  int Height = 0;
};

// The second document's picture moved by -offset, so that each pixel shows
// the place the first's shows there; black where the second does not reach.
ComparisonPicture AlignedSecond(const FrameDocument& second, const PictureOffset& offset);

// The first picture on the left, the aligned second on the right.
ComparisonPicture SideBySide(const FrameDocument& first, const FrameDocument& second, const PictureOffset& offset);

// First minus aligned second, grey levels as rendered: white where they are
// equal, towards red where the first is brighter and blue where the second
// is, full at a difference of 128 or more; black where either shows nothing.
ComparisonPicture Difference(const FrameDocument& first, const FrameDocument& second, const PictureOffset& offset);

}  // namespace vantorel
