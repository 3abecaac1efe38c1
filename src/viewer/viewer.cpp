#include "viewer/viewer.h"

#include <cstdint>

#include "frames/frame_file.h"
#include "pipeline/run_pipeline.h"

namespace vantorel {

namespace {

// Marks a load or render as running for as long as it is in scope.
class RenderingScope {
 public:
  explicit RenderingScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~RenderingScope() { flag_ = false; }
  RenderingScope(const RenderingScope&) = delete;
  RenderingScope& operator=(const RenderingScope&) = delete;

 private:
  bool& flag_;
};

// Counters stop at the 32-bit limits: a render there is the render at the limit.
std::int32_t SaturatingAdd(std::int32_t counter, std::int32_t step) {
  std::int32_t sum = 0;
  if (__builtin_add_overflow(counter, step, &sum)) return step > 0 ? INT32_MAX : INT32_MIN;
  return sum;
}

}  // namespace

Viewer::Viewer() : pristineFrame_(MakeFrameBuffer()), fitsPlane_(FitsPlaneBytes, 0) {}

Picture Viewer::OpenFrame(const std::string& path) {
  currentPath_ = path;
  return LoadFrameFile(LoadVariant::Open);
}

Picture Viewer::LoadFrameFile(LoadVariant variant) {
  RenderingScope scope(rendering_);
  const bool open = variant == LoadVariant::Open;
  if (open) despeckle_ = DespeckleSettings{};

  FrameRead read = ReadFrameFile(currentPath_);
  bytesRead_ = read.BytesRead;
  readError_ = read.Error;
  currentFileName_ = FileNamePart(currentPath_);
  DecodeHeader(read.WorkFrame, currentFileName_, header_);
  ArrangeFrame(read.WorkFrame, pristineFrame_);

  if (open) {
    dataSetDirectory_ = DirectoryPart(currentPath_);
    listing_ = FileListing{};
    listing_ = BuildFileList(dataSetDirectory_, currentFileName_);
  }
  activeOptions_ = optionFlags_;
  if (open) {
    scanIntervalMs_ = DefaultScanIntervalMs;
    checkedPauseSeconds_ = 2;
  }
  steps_ = ToneSteps{};
  Picture picture = RenderFrame(read.WorkFrame, RenderKind::Full);
  if (open) frameOnScreen_ = true;
  return picture;
}

Picture Viewer::Render(RenderKind kind) {
  RenderingScope scope(rendering_);
  FrameBuffer workFrame = pristineFrame_;
  return RenderFrame(workFrame, kind);
}

Picture Viewer::RenderFrame(FrameBuffer& workFrame, RenderKind kind) {
  std::vector<std::uint8_t> bitmap(BitmapImageBytes, 0);
  RenderContext context{.WorkFrame = workFrame,
                        .BitmapImage = bitmap,
                        .FitsPlane = fitsPlane_,
                        .ActiveOptions = activeOptions_,
                        .Steps = &steps_,
                        .BytesRead = bytesRead_,
                        .CurrentFileName = currentFileName_,
                        .Despeckle = despeckle_};
  if (kind == RenderKind::Original)
    RunOriginalPipeline(context);
  else
    RunPipeline(context);
  bitmap.resize(BmpFileBytes);  // the zero tail behind the BMP file is not part of the picture
  return Picture{std::move(bitmap)};
}

void Viewer::ToggleOptionFlag(Option option) {
  int& flag = Entry(optionFlags_, option);
  flag = flag != 0 ? 0 : 1;
}

Picture Viewer::ToggleActiveOption(Option option) {
  int& entry = Entry(activeOptions_, option);
  entry = entry != 0 ? 0 : 1;
  return Render(RenderKind::Full);
}

Picture Viewer::ApplyStep(StepCommand command) {
  switch (command) {
    case StepCommand::BrightnessDown: steps_.BrightnessStep = SaturatingAdd(steps_.BrightnessStep, -20); break;
    case StepCommand::BrightnessUp: steps_.BrightnessStep = SaturatingAdd(steps_.BrightnessStep, 20); break;
    case StepCommand::ContrastDown: steps_.ContrastStep = SaturatingAdd(steps_.ContrastStep, -1); break;
    case StepCommand::ContrastUp: steps_.ContrastStep = SaturatingAdd(steps_.ContrastStep, 1); break;
    case StepCommand::GradientDown: steps_.GradientStep = SaturatingAdd(steps_.GradientStep, -1); break;
    case StepCommand::GradientUp: steps_.GradientStep = SaturatingAdd(steps_.GradientStep, 1); break;
  }
  return Render(RenderKind::Full);
}

Picture Viewer::ShowOriginalImage() {
  activeOptions_ = OptionSet{};
  steps_ = ToneSteps{};
  return Render(RenderKind::Original);
}

Picture Viewer::RenderWithSteps(const ToneSteps& steps) {
  steps_ = steps;
  return Render(RenderKind::Full);
}

std::string Viewer::CounterText() const {
  return std::to_string(listing_.FileIndex) + "/" + std::to_string(listing_.FileCount());
}

std::optional<Picture> Viewer::BrowseTo(int fileIndex) {
  listing_.FileIndex = fileIndex;
  currentPath_ = dataSetDirectory_ + listing_.FileList[std::size_t(fileIndex - 1)];
  return LoadFrameFile(LoadVariant::Browse);
}

std::optional<Picture> Viewer::NextFile() {
  if (listing_.FileIndex + 1 > listing_.FileCount()) return std::nullopt;
  return BrowseTo(listing_.FileIndex + 1);
}

std::optional<Picture> Viewer::PreviousFile() {
  if (listing_.FileIndex < 2) return std::nullopt;
  return BrowseTo(listing_.FileIndex - 1);
}

void Viewer::SetScanButtons(bool forwardDown, bool backwardDown) {
  backwardScanDown_ = backwardDown;
  forwardScanDown_ = forwardDown;
}

void Viewer::StartScan(ScanDirection direction) {
  if (direction == ScanDirection::None) return StopScan();
  timerEnabled_ = true;
  scanDirection_ = direction;
  SetScanButtons(direction == ScanDirection::Forward, direction == ScanDirection::Backward);
}

void Viewer::StopScan() {
  timerEnabled_ = false;
  scanDirection_ = ScanDirection::None;
  SetScanButtons(false, false);
}

std::optional<Picture> Viewer::ScanTick() {
  // A tick delivered while a load or render is still running is dropped.
  if (rendering_ || !timerEnabled_) return std::nullopt;
  timerIntervalMs_ = scanIntervalMs_;
  int next = listing_.FileIndex;
  if (scanDirection_ == ScanDirection::Forward) next += 1;
  if (scanDirection_ == ScanDirection::Backward) next -= 1;
  if (next == listing_.FileIndex) return std::nullopt;
  if (next < 1 || next > listing_.FileCount()) {
    // The end of the list in this direction ends the scan; ScanDirection keeps its value.
    timerEnabled_ = false;
    SetScanButtons(false, false);
    return std::nullopt;
  }
  return BrowseTo(next);
}

void Viewer::ChooseScanPause(int seconds) {
  if (seconds < 2 || seconds > 5) return;
  scanIntervalMs_ = seconds * 1000;
  checkedPauseSeconds_ = seconds;
}

void Viewer::CloseImageWindow() {
  frameOnScreen_ = false;
  timerEnabled_ = false;
  SetScanButtons(false, false);
}

}  // namespace vantorel
