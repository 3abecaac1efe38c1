// Animations: a sequence of frames, each rendered with the same options on
// every core, written in order as one animated PNG or video, put in place
// atomically only when whole.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "pipeline/render_context.h"
#include "viewer/frame_document.h"

namespace vantorel {

// An animation's pace unless chosen, and the fastest it may be.
inline constexpr int DefaultFramesPerSecond = 10;
inline constexpr int MaxFramesPerSecond = 120;

// The containers an animation can be written in, as a user chooses them.
struct AnimationFormatEntry {
  const char* Label;
  const char* Suffix;  // the extension, which chooses the container
};
inline constexpr AnimationFormatEntry AnimationFormats[] = {
    {"Animated PNG", "png"}, {"MP4 (H.264)", "mp4"}, {"WebM (VP9)", "webm"}};

// Full: the composed picture, 832 x 700. Half: 416 x 350, each pixel the
// rounded mean of a 2 x 2 block.
enum class AnimationSize { Full, Half };

// How every frame of an animation is rendered.
struct AnimationLook {
  OptionSet Options{};
  ToneSteps Steps{};
  bool Original = false;
  DisplaySettings Display{};
};

struct AnimationRequest {
  std::vector<std::string> Frames{};
  // The extension chooses the container: .mp4 and .webm are videos, anything else APNG.
  std::string Output{};
  AnimationLook Look{};
  int FramesPerSecond = DefaultFramesPerSecond;
  std::optional<int> Crf{};  // a video's constant quality; the encoder's default when not given
  AnimationSize Size = AnimationSize::Full;
  // A frame that fails is left out, rather than ending the animation unwritten.
  bool KeepGoing = false;
  unsigned Workers = 0;  // 0: one per core
};

enum class AnimationFrameEnd { Written, Failed, Skipped };

// What the caller may hear and say while frames are written; every member may
// be empty. All but Render are called on the calling thread, in frame order.
struct AnimationHooks {
  // Loads frame i into document and renders it with the look, saying on
  // messages what went wrong; false when there is no picture. By default the
  // file is opened and rendered as the window does.
  std::function<bool(FrameDocument& document, std::size_t i, std::ostream& messages)> Render;
  // How a frame is named in messages: its path by default.
  std::function<std::string(std::size_t i)> Name;
  // Before every message about a frame (a program's name, for instance).
  std::string MessagePrefix;
  std::function<void(std::size_t i, AnimationFrameEnd end, const std::string& messages)> FrameDone;
  std::function<void(std::size_t done, std::size_t total)> Progress;
  // Checked between frames: true stops the run, and nothing is written.
  std::function<bool()> Cancelled;
};

struct AnimationOutcome {
  bool Saved = false;
  bool Cancelled = false;
  int FramesWritten = 0;
  std::vector<std::size_t> Failed;  // frames left out, or the one that stopped the run
  // Without KeepGoing: the frame whose failure left the animation unwritten.
  std::optional<std::size_t> StoppedAt;
  std::string Error;  // why nothing was saved, for the user (empty when cancelled)
};

// The render of the default Render hook: the file at path opened with the look.
bool RenderAnimationFrame(FrameDocument& document, const std::string& path, const AnimationLook& look,
                          std::ostream& messages);

AnimationOutcome WriteAnimation(const AnimationRequest& request, const AnimationHooks& hooks = {});

}  // namespace vantorel
