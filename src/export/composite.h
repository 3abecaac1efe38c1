// A colour composite: three rendered frames as red, green and blue, the second
// and third aligned to the first, each stretched between its own percentiles.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/alignment.h"
#include "export/animation.h"
#include "export/export_format.h"
#include "output/standard_fits.h"
#include "viewer/frame_document.h"

namespace vantorel {

inline constexpr double DefaultCompositeLowPercent = 0.5;
inline constexpr double DefaultCompositeHighPercent = 99.5;

struct CompositeSettings {
  std::array<double, 3> Weights{1, 1, 1};  // each channel's levels are multiplied by its weight
  double LowPercent = DefaultCompositeLowPercent;
  double HighPercent = DefaultCompositeHighPercent;
};

struct Composite {
  // 832 x 700 pixels, top row first, blue first in each (a BgrPicture's pixels).
  std::vector<std::uint8_t> Bgr;
  // Each channel's grey levels as rendered, aligned to the red and not
  // stretched, line 1 (the bottom row) first as FITS planes are; 0 where the
  // channel does not reach.
  std::array<std::vector<std::uint8_t>, 3> Planes;
  // Where the green and the blue frame's pictures lie relative to the red's, in
  // the picture's rows (down) and columns (across); the red's is zero.
  std::array<PictureOffset, 3> Offsets{};
  std::string Error;  // why there is none, naming the channel
};

// The documents' last renders as red, green and blue. A place that a shifted
// channel does not reach, or where its frame shows nothing, is dark in it.
Composite ComposeColor(const std::array<const FrameDocument*, 3>& channels, const CompositeSettings& settings);

// A picture offset in frame lines and samples, as the geometry the document
// was rendered with turns the picture: flipped or rotated pictures run the
// other way, half-size ones count two for one.
PictureOffset FrameOffsetOf(const PictureOffset& pictureOffset, const FrameDocument& document);

// The composite as a standard FITS cube of its three planes, each with its
// frame, filter and offset (FRAMEn, FILTERn, DLINEn, DSAMPn for n = 1, 2, 3).
StandardFitsFile BuildCompositeFits(const Composite& composite, const std::array<const FrameDocument*, 3>& channels,
                                    const std::vector<std::string>& history);

// An offset as it is written for people: whole numbers without a point
// ("3", "-2"), anything else rounded to the nearest tenth ("2.5").
std::string TenthsText(double value);

struct EncodedComposite {
  std::vector<std::uint8_t> Bytes;
  std::string Error;  // why there are no bytes
};

// The composite as a file: StandardFits gives the cube, with look's processing
// in its HISTORY; anything else an RGB PNG whose text names each channel's
// frame and offset and how the channels were rendered.
EncodedComposite EncodeComposite(const Composite& composite, const std::array<const FrameDocument*, 3>& channels,
                                 const AnimationLook& look, ExportFormat format);

}  // namespace vantorel
