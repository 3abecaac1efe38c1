// One loaded frame and its renders, without any browsing or window state:
// the desktop program's Viewer owns one, the command line uses one alone.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "frames/frame_file.h"
#include "frames/frame_layout.h"
#include "header/header_decode.h"
#include "pipeline/render_context.h"
#include "pipeline/tone_curve.h"

namespace vantorel {

enum class StepCommand { BrightnessDown, BrightnessUp, ContrastDown, ContrastUp, GradientDown, GradientUp };

// What one Brightness button press adds to or takes from BrightnessStep.
inline constexpr std::int32_t BrightnessStepSize = 20;

// The BMP file one render composed: what the image window shows.
struct Picture {
  std::vector<std::uint8_t> Bmp;  // BmpFileBytes
};

class FrameDocument {
 public:
  FrameDocument();

  // Reads the file at path, decodes its header, arranges the frame, takes the
  // options over as ActiveOptions with the counters at steps (0 unless kept
  // from the frame before), and renders. A file that cannot be read gives a
  // black picture and a ReadError.
  Picture Load(const std::string& path, const OptionSet& options, const ToneSteps& steps = {});
  // Load without the copy of the picture: CurrentBmp() shows it.
  void Open(const std::string& path, const OptionSet& options, const ToneSteps& steps = {});
  // The command line's Open: read reads the frame into the buffer it is given
  // (a stream too), and fileName, which decides the data set and stretch as a
  // file's name does, need not be the path's (standard input has none).
  using FrameReader = std::function<FrameRead(FrameBuffer&& reuse)>;
  void Open(const FrameReader& read, const std::string& path, const std::string& fileName, const OptionSet& options);

  // Option button: toggles one ActiveOptions entry and renders again.
  Picture ToggleActiveOption(Option option);
  // Brightness, contrast and gradient buttons.
  Picture ApplyStep(StepCommand command);
  // "Original Image": every option off, counters 0, only flip and compose.
  Picture ShowOriginalImage();
  // What "Original Image" would show, worked out in buffers of its own: the
  // options, counters, FitsPlane and the next render stay as they are (for blinking).
  Picture OriginalPicture() const;
  // Sets all three counters at once and renders again (the command line's steps).
  Picture RenderWithSteps(const ToneSteps& steps);
  // The display scale and colour map of this render and the next ones: only
  // the display steps run again, over the last render's work frame. Opening
  // a frame lets go of limits held by hand.
  void SetDisplay(const DisplaySettings& display);
  const DisplaySettings& Display() const { return display_; }
  // The limits the last render's display scale used (0..255 without one).
  ScaleLimits DisplayLimits() const { return displayLimits_; }
  // The level the picture shows for each grey level of a picture sample.
  const DisplayLevels& ShownLevels() const { return shownLevels_; }

  const std::string& CurrentPath() const { return currentPath_; }
  const std::string& CurrentFileName() const { return currentFileName_; }
  std::int32_t BytesRead() const { return bytesRead_; }
  int LineCount() const { return LineCountFor(bytesRead_); }
  // Why the last load could not read its file; empty after a good read.
  const std::string& ReadError() const { return fileCheck_.Error; }
  // Whether the last load's file was a frame.
  const FrameCheck& FileCheck() const { return fileCheck_; }

  const OptionSet& ActiveOptions() const { return activeOptions_; }
  const ToneSteps& Steps() const { return steps_; }
  // Whether the last render was "Original Image" rather than one with the options.
  bool ShowsOriginal() const { return showsOriginal_; }
  const FrameBuffer& PristineFrame() const { return pristineFrame_; }
  // The header record as the file had it (the arrangement keeps record 0):
  // 968 bytes, fewer when the file was shorter, none when it could not be read.
  std::span<const std::uint8_t> HeaderRecord() const;
  const std::vector<std::uint8_t>& FitsPlane() const { return fitsPlane_; }
  // What the last render's tone mapping and invert did to each raw value;
  // the identity after Original Image.
  ToneCurve CurrentToneCurve() const;
  // Picture samples the cleaning stages changed in the last render (all 0 after Original Image).
  const ReplacedCounts& Replaced() const { return replaced_; }
  // Whether renders keep which frame samples the cleaning stages replace.
  // Off at first: noting them cost a render with the cleaning stages about 3%.
  // Turned on after a render that did not keep them, that render is worked
  // again (to the very same picture).
  void KeepReplacedSamples(bool keep);
  bool KeepsReplacedSamples() const { return keepsReplaced_; }
  // Whether the last render's cleaning stages replaced sample s of line L of
  // the loaded frame (both 1-based, within the picture); false while they are not kept.
  bool SampleReplaced(int line, int sample) const {
    return keepsReplaced_ && replacedMask_[PictureSampleIndex(line, sample)] != 0;
  }
  const HeaderState& Header() const { return header_; }
  // The BMP file of the last render, where it lies; valid until the next one.
  std::span<const std::uint8_t> CurrentBmp() const { return {bitmapImage_.data(), BmpFileBytes}; }
  const LabelCardSet& LabelCards() const { return header_.LabelCards; }

 private:
  enum class RenderKind { Full, Original };
  // Makes a read the loaded frame and renders it.
  void Take(FrameRead&& read, const std::string& path, const std::string& fileName, const OptionSet& options,
            const ToneSteps& steps);
  // Restores the work frame from the pristine one and renders.
  Picture Render(RenderKind kind);
  // Renders from the work frame as it is.
  Picture RenderWorkFrame(RenderKind kind);
  void RunRender(RenderKind kind);
  RenderContext ContextFor(FrameBuffer& work, std::vector<std::uint8_t>& bitmap, std::vector<std::uint8_t>& fits,
                           const OptionSet& options, ToneSteps* steps) const;
  void KeepDisplayOf(const RenderContext& context);

  FrameBuffer pristineFrame_;
  // The renders' buffers, kept from one render to the next: every render
  // overwrites the work frame from the pristine one and writes the whole BMP,
  // so nothing of an earlier render (or of one an exception cut short) shows.
  FrameBuffer workFrame_;
  std::vector<std::uint8_t> bitmapImage_;
  std::vector<std::uint8_t> fitsPlane_;
  HeaderState header_;
  // OriginalPicture's own buffers, allocated on its first call.
  mutable FrameBuffer originalWork_;
  mutable std::vector<std::uint8_t> originalBitmap_;
  mutable std::vector<std::uint8_t> originalFits_;
  std::int32_t bytesRead_ = 0;
  std::string currentPath_;
  std::string currentFileName_;
  FrameCheck fileCheck_;
  OptionSet activeOptions_{};
  ToneSteps steps_;
  bool showsOriginal_ = false;
  ReplacedCounts replaced_;
  DisplaySettings display_;
  ScaleLimits displayLimits_;
  DisplayLevels shownLevels_ = IdentityLevels();
  bool keepsReplaced_ = false;
  // Whether replacedMask_ describes the last render (nothing rendered yet: nothing replaced).
  bool replacedCurrent_ = true;
  std::vector<std::uint8_t> replacedMask_;  // FitsPlaneBytes once kept
};

}  // namespace vantorel
