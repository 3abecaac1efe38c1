// The colour composite the window shows: three frames rendered alike, composed
// into one picture, rendered again when the window's options change, read out
// pixel by pixel and saved, all without a display.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "export/animation.h"
#include "export/composite.h"
#include "output/atomic_file.h"
#include "viewer/frame_browser.h"
#include "viewer/frame_document.h"

namespace vantorel {

// What a readout shows for a channel that does not reach the pixel: its frame
// was moved off there by the alignment.
inline constexpr const char* ChannelMissing = "-";

class CompositeDocument {
 public:
  CompositeDocument();

  // Loads the frames (red, green, blue), renders each with look and composes
  // them with settings; false, with Error(), when a frame cannot be read or
  // the three cannot be aligned. What was composed before is gone either way.
  bool Compose(const ColorSet& frames, const AnimationLook& look, const CompositeSettings& settings);
  // The same frames and settings again with another look.
  bool Recompose(const AnimationLook& look);
  // Lets go of the composite.
  void Clear();

  bool Composed() const { return composed_; }
  const std::string& Error() const { return error_; }
  const ColorSet& Frames() const { return frames_; }
  const CompositeSettings& Settings() const { return settings_; }
  const AnimationLook& Look() const { return look_; }
  const Composite& Picture() const { return composite_; }
  std::array<const FrameDocument*, 3> Channels() const;

  // Under picture pixel x 0..831, y 0..699 from the top: the red frame's place
  // and each channel's rendered level there after alignment, "line 123,
  // sample 456: red 120, green 98, blue -" (ChannelMissing where a channel does
  // not reach); "" where the red frame shows no place or nothing is composed.
  std::string ReadoutAt(int x, int y) const;

  // Where the green and blue frames lie from the red, in frame lines and
  // samples: "green 7 lines, -12 samples; blue -5 lines, 9 samples from red".
  std::string OffsetsText() const;

  // Writes the composite at path (format StandardFits: the cube; otherwise an
  // RGB PNG), atomically, never over one of its frames.
  SaveOutcome Save(const std::string& path, ExportFormat format, const ChunkWriter& writer = {}) const;

 private:
  std::array<std::unique_ptr<FrameDocument>, 3> documents_;
  ColorSet frames_;
  AnimationLook look_;
  CompositeSettings settings_;
  Composite composite_;
  bool composed_ = false;
  std::string error_;
};

}  // namespace vantorel
