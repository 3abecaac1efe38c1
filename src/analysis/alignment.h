// Where one picture lies relative to another, found by phase correlation:
// the peak of the inverse transform of their normalised cross-power spectrum.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vantorel {

// Height rows of Width grey samples, top row first, and for each sample
// whether it shows the scene: missing lines and a picture's black surround
// stay out of the estimate.
struct AlignmentPicture {
  std::span<const std::uint8_t> Samples;
  std::span<const std::uint8_t> Shown;  // nonzero where the sample counts
  int Width = 0;
  int Height = 0;
};

// moving's sample at (line, sample) shows what reference shows at
// (line - Lines, sample - Samples), to a tenth of a sample or so.
struct PictureOffset {
  double Lines = 0;
  double Samples = 0;
};

struct AlignmentResult {
  std::optional<PictureOffset> Offset;
  std::string Error;  // why there is none: they differ in size, show nothing, do not overlap, FFTW is missing
};

// Offsets of up to half the picture each way; both pictures of one size.
AlignmentResult FindOffset(const AlignmentPicture& reference, const AlignmentPicture& moving);

}  // namespace vantorel
