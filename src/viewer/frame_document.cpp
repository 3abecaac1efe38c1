#include "viewer/frame_document.h"

#include <algorithm>
#include <cstdint>

#include "frames/file_name.h"
#include "frames/frame_file.h"
#include "pipeline/run_pipeline.h"

namespace vantorel {

namespace {

// Counters stop at the 32-bit limits: a render there is the render at the limit.
std::int32_t SaturatingAdd(std::int32_t counter, std::int32_t step) {
  std::int32_t sum = 0;
  if (__builtin_add_overflow(counter, step, &sum)) return step > 0 ? INT32_MAX : INT32_MIN;
  return sum;
}

}  // namespace

FrameDocument::FrameDocument()
    : pristineFrame_(MakeFrameBuffer()),
      workFrame_(MakeFrameBuffer()),
      bitmapImage_(BitmapImageBytes, 0),
      fitsPlane_(FitsPlaneBytes, 0) {}

Picture FrameDocument::Load(const std::string& path, const OptionSet& options, const ToneSteps& steps) {
  Open(path, options, steps);
  return Picture{std::vector<std::uint8_t>(CurrentBmp().begin(), CurrentBmp().end())};
}

void FrameDocument::Open(const std::string& path, const OptionSet& options, const ToneSteps& steps) {
  Take(ReadFrameFile(path, std::move(workFrame_)), path, std::string(FileNamePart(path)), options, steps);
}

void FrameDocument::Open(const FrameReader& read, const std::string& path, const std::string& fileName,
                         const OptionSet& options) {
  Take(read(std::move(workFrame_)), path, fileName, options, {});
}

void FrameDocument::Take(FrameRead&& read, const std::string& path, const std::string& fileName,
                         const OptionSet& options, const ToneSteps& steps) {
  currentPath_ = path;
  currentFileName_ = fileName;
  bytesRead_ = read.BytesRead;
  fileCheck_ = CheckOf(read);
  DecodeHeader(read.WorkFrame, currentFileName_, header_);
  ArrangeFrame(read.WorkFrame, pristineFrame_);
  activeOptions_ = options;
  steps_ = steps;
  display_.HeldLimits.reset();
  // The arranged read equals the pristine frame: it becomes the work frame as it is.
  workFrame_.swap(read.WorkFrame);
  RunRender(RenderKind::Full);
}

std::span<const std::uint8_t> FrameDocument::HeaderRecord() const {
  const auto length = std::size_t(std::clamp(bytesRead_, 0, RecordBytes));
  return std::span<const std::uint8_t>(pristineFrame_).first(length);
}

ToneCurve FrameDocument::CurrentToneCurve() const {
  if (showsOriginal_) return IdentityToneCurve();
  return ToneTransferCurve(currentFileName_, activeOptions_, steps_);
}

Picture FrameDocument::Render(RenderKind kind) {
  std::copy(pristineFrame_.begin(), pristineFrame_.end(), workFrame_.begin());
  return RenderWorkFrame(kind);
}

Picture FrameDocument::RenderWorkFrame(RenderKind kind) {
  RunRender(kind);
  // The picture is the BMP file alone, not the zero tail of the buffer behind it.
  return Picture{std::vector<std::uint8_t>(CurrentBmp().begin(), CurrentBmp().end())};
}

RenderContext FrameDocument::ContextFor(FrameBuffer& work, std::vector<std::uint8_t>& bitmap,
                                        std::vector<std::uint8_t>& fits, const OptionSet& options,
                                        ToneSteps* steps) const {
  RenderContext context{.WorkFrame = work,
                        .BitmapImage = bitmap,
                        .FitsPlane = fits,
                        .ActiveOptions = options,
                        .Steps = steps,
                        .BytesRead = bytesRead_,
                        .CurrentFileName = currentFileName_,
                        .Despeckle = DespeckleSettings{}};
  context.Display = display_;
  return context;
}

void FrameDocument::KeepDisplayOf(const RenderContext& context) {
  displayLimits_ = context.DisplayLimits;
  shownLevels_ = context.ShownLevels;
}

void FrameDocument::SetDisplay(const DisplaySettings& display) {
  if (display == display_) return;
  display_ = display;
  // The work frame still holds the last render's samples after its geometry.
  RenderContext context = ContextFor(workFrame_, bitmapImage_, fitsPlane_, activeOptions_, &steps_);
  RunDisplaySteps(context);
  KeepDisplayOf(context);
}

void FrameDocument::RunRender(RenderKind kind) {
  RenderContext context = ContextFor(workFrame_, bitmapImage_, fitsPlane_, activeOptions_, &steps_);
  showsOriginal_ = kind == RenderKind::Original;
  replaced_ = ReplacedCounts{};
  if (keepsReplaced_) {
    std::fill(replacedMask_.begin(), replacedMask_.end(), 0);
    context.ReplacedMask = replacedMask_;
  }
  replacedCurrent_ = keepsReplaced_;
  if (kind == RenderKind::Original)
    RunOriginalPipeline(context);
  else
    RunPipeline(context);
  replaced_ = context.Replaced;
  KeepDisplayOf(context);
}

void FrameDocument::KeepReplacedSamples(bool keep) {
  keepsReplaced_ = keep;
  if (!keep) return;
  if (replacedMask_.empty()) replacedMask_.assign(FitsPlaneBytes, 0);
  if (replacedCurrent_) return;
  std::copy(pristineFrame_.begin(), pristineFrame_.end(), workFrame_.begin());
  RunRender(showsOriginal_ ? RenderKind::Original : RenderKind::Full);
}

Picture FrameDocument::ToggleActiveOption(Option option) {
  int& entry = Entry(activeOptions_, option);
  entry = entry != 0 ? 0 : 1;
  return Render(RenderKind::Full);
}

Picture FrameDocument::ApplyStep(StepCommand command) {
  switch (command) {
    case StepCommand::BrightnessDown:
      steps_.BrightnessStep = SaturatingAdd(steps_.BrightnessStep, -BrightnessStepSize);
      break;
    case StepCommand::BrightnessUp:
      steps_.BrightnessStep = SaturatingAdd(steps_.BrightnessStep, BrightnessStepSize);
      break;
    case StepCommand::ContrastDown: steps_.ContrastStep = SaturatingAdd(steps_.ContrastStep, -1); break;
    case StepCommand::ContrastUp: steps_.ContrastStep = SaturatingAdd(steps_.ContrastStep, 1); break;
    case StepCommand::GradientDown: steps_.GradientStep = SaturatingAdd(steps_.GradientStep, -1); break;
    case StepCommand::GradientUp: steps_.GradientStep = SaturatingAdd(steps_.GradientStep, 1); break;
  }
  return Render(RenderKind::Full);
}

Picture FrameDocument::ShowOriginalImage() {
  activeOptions_ = OptionSet{};
  steps_ = ToneSteps{};
  return Render(RenderKind::Original);
}

Picture FrameDocument::OriginalPicture() const {
  if (originalWork_.empty()) {
    originalWork_ = MakeFrameBuffer();
    originalBitmap_.assign(BitmapImageBytes, 0);
    originalFits_.assign(FitsPlaneBytes, 0);
  }
  std::copy(pristineFrame_.begin(), pristineFrame_.end(), originalWork_.begin());
  ToneSteps noSteps;
  RenderContext context = ContextFor(originalWork_, originalBitmap_, originalFits_, OptionSet{}, &noSteps);
  RunOriginalPipeline(context);
  const auto bmpEnd = originalBitmap_.begin() + std::ptrdiff_t(BmpFileBytes);
  return Picture{std::vector<std::uint8_t>(originalBitmap_.begin(), bmpEnd)};
}

Picture FrameDocument::RenderWithSteps(const ToneSteps& steps) {
  steps_ = steps;
  return Render(RenderKind::Full);
}

}  // namespace vantorel
