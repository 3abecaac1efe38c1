// Compare With: a second frame rendered exactly as the frame on screen is,
// where its picture lies relative to the first's (found by alignment, then
// nudged by hand), and what the two hold under a picture pixel.
#pragma once

#include <string>

#include "analysis/alignment.h"
#include "export/comparison.h"
#include "viewer/frame_document.h"

namespace vantorel {

// How the window shows a comparison: the second blinking over the first, both
// side by side, or their difference.
enum class CompareMode { Blink, SideBySide, Difference };
inline constexpr int CompareModeCount = 3;

// The blink intervals offered; 0 blinks only while a key is held.
inline constexpr int BlinkIntervalsMs[] = {0, 250, 500, 1000, 2000};
inline constexpr int DefaultBlinkIntervalMs = 500;

class FrameComparison {
 public:
  // Loads the frame at path, renders it as first was rendered (options,
  // counters, Original Image, display scale) and aligns it to first.
  FrameComparison(const std::string& path, const FrameDocument& first);

  // After the first was rendered again, or another frame took its place: the
  // second is rendered the same way, and aligned again when the picture's
  // geometry or the first frame changed (a nudge then goes too).
  void Follow(const FrameDocument& first);

  // Moves the second picture on screen by whole pixels (right and down positive).
  void Nudge(int down, int right);
  // Back to the offset alignment found.
  void ResetNudge();

  const FrameDocument& Second() const { return second_; }
  // Where the second's picture lies relative to the first's, in picture rows
  // and columns, nudges included; zero when alignment found none.
  PictureOffset Offset() const;
  // Why alignment found no offset ("the pictures do not overlap"); empty when it found one.
  const std::string& AlignmentError() const { return alignmentError_; }

  // "second MVE0102.012 lies 2.3 lines, -1.5 samples from the first (nudged
  // by 1, 0)", in frame lines and samples; or why none was found.
  std::string OffsetText() const;
  // The first's readout at picture pixel (x, y), and the second's of the same
  // place; "" where neither frame shows one.
  std::string ReadoutText(const FrameDocument& first, int x, int y) const;

  // What the image window shows.
  ComparisonPicture AlignedPicture() const { return AlignedSecond(second_, Offset()); }
  ComparisonPicture DifferencePicture(const FrameDocument& first) const { return Difference(first, second_, Offset()); }

 private:
  void Render(const FrameDocument& first);
  void Align(const FrameDocument& first);

  FrameDocument second_;
  std::string path_;
  std::string firstPath_;  // the first frame aligned to
  OptionSet firstGeometry_{};
  PictureOffset found_{};
  std::string alignmentError_;
  int nudgeDown_ = 0;
  int nudgeRight_ = 0;
};

}  // namespace vantorel
