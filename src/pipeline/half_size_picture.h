// Where the minimize stage puts its half-size picture. The composition's
// colour window colours this same rectangle.
#pragma once

#include "frames/frame_layout.h"

namespace vantorel {

// Lines and samples first..last (1-based, inclusive) of a frame; no line when
// LastLine < FirstLine.
struct FrameRectangle {
  int FirstLine, LastLine, FirstSample, LastSample;
};

// One line for every two of the lines present, from line 301, and one sample
// for every two picture samples, from sample 193.
constexpr FrameRectangle HalfSizePicture(int presentLines) {
  constexpr int lineShift = 300, sampleShift = 192;
  return {lineShift + 1, lineShift + presentLines / 2, sampleShift + 1, sampleShift + PictureSamples / 2};
}

}  // namespace vantorel
