#include "viewer/viewer.h"

#include <algorithm>

#include "frames/file_name.h"

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

}  // namespace

template <typename Render>
Picture Viewer::Rendering(Render&& render) {
  RenderingScope scope(rendering_);
  Picture picture = render();
  if (comparison_) comparison_->Follow(document_);
  return picture;
}

Picture Viewer::LoadFrameFile(const std::string& path) {
  return Rendering([&] { return document_.Load(path, optionFlags_); });
}

Picture Viewer::SetDisplay(const DisplaySettings& display) {
  return Rendering([&] {
    document_.SetDisplay(display);
    return Picture{std::vector<std::uint8_t>(document_.CurrentBmp().begin(), document_.CurrentBmp().end())};
  });
}

Picture Viewer::OpenFrame(const std::string& path) {
  Picture picture = LoadFrameFile(path);
  dataSetDirectory_ = DirectoryPart(path);
  listing_ = FileListing{};
  listing_ = BuildFileList(dataSetDirectory_, document_.CurrentFileName());
  scanIntervalMs_ = DefaultScanIntervalMs;
  checkedPauseSeconds_ = ShortestScanPauseSeconds;
  frameOnScreen_ = true;
  return picture;
}

std::optional<Picture> Viewer::BrowseTo(int fileIndex) {
  listing_.FileIndex = fileIndex;
  const std::string path = dataSetDirectory_ + listing_.FileList[std::size_t(fileIndex - 1)];
  if (!keepAdjustments_) return LoadFrameFile(path);
  const OptionSet options = document_.ActiveOptions();
  const ToneSteps steps = document_.Steps();
  return Rendering([&] { return document_.Load(path, options, steps); });
}

void Viewer::ToggleOptionFlag(Option option) {
  int& flag = Entry(optionFlags_, option);
  flag = flag != 0 ? 0 : 1;
}

Picture Viewer::ToggleActiveOption(Option option) {
  return Rendering([&] { return document_.ToggleActiveOption(option); });
}

Picture Viewer::ApplyStep(StepCommand command) {
  return Rendering([&] { return document_.ApplyStep(command); });
}

Picture Viewer::ShowOriginalImage() {
  return Rendering([&] { return document_.ShowOriginalImage(); });
}

Picture Viewer::RenderWithSteps(const ToneSteps& steps) {
  return Rendering([&] { return document_.RenderWithSteps(steps); });
}

void Viewer::KeepReplacedSamples(bool keep) {
  RenderingScope scope(rendering_);
  document_.KeepReplacedSamples(keep);
}

std::string Viewer::CounterText() const {
  return std::to_string(listing_.FileIndex) + "/" + std::to_string(listing_.FileCount());
}

std::optional<Picture> Viewer::NextFile() {
  if (listing_.FileIndex + 1 > listing_.FileCount()) return std::nullopt;
  return BrowseTo(listing_.FileIndex + 1);
}

std::optional<Picture> Viewer::PreviousFile() {
  if (listing_.FileIndex < 2) return std::nullopt;
  return BrowseTo(listing_.FileIndex - 1);
}

std::optional<Picture> Viewer::FirstFile() {
  if (listing_.FileCount() == 0 || listing_.FileIndex == 1) return std::nullopt;
  return BrowseTo(1);
}

std::optional<Picture> Viewer::LastFile() {
  if (listing_.FileCount() == 0 || listing_.FileIndex == listing_.FileCount()) return std::nullopt;
  return BrowseTo(listing_.FileCount());
}

std::optional<Picture> Viewer::GoToFrame(std::string_view numberOrName) {
  const std::optional<int> index = FindListedFrame(listing_.FileList, numberOrName);
  if (!index || *index == listing_.FileIndex) return std::nullopt;
  return BrowseTo(*index);
}

void Viewer::SetScanButtons(bool forwardDown, bool backwardDown) {
  backwardScanDown_ = backwardDown;
  forwardScanDown_ = forwardDown;
}

void Viewer::StartScan(ScanDirection direction) {
  if (direction == ScanDirection::None) return StopScan();
  playing_ = false;
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

std::vector<std::string> Viewer::ListedPaths() const {
  std::vector<std::string> paths;
  paths.reserve(listing_.FileList.size());
  for (const std::string& name : listing_.FileList) paths.push_back(dataSetDirectory_ + name);
  return paths;
}

void Viewer::StartPlay(std::vector<std::string> frames) {
  if (frames.size() < 2) return;
  StopScan();
  playFrames_ = std::move(frames);
  // From the frame on screen on, when it is one of them; else from the first.
  const auto shown = std::find(playFrames_.begin(), playFrames_.end(), document_.CurrentPath());
  playPosition_ = shown != playFrames_.end() ? std::size_t(shown - playFrames_.begin()) : playFrames_.size() - 1;
  playing_ = true;
}

void Viewer::StopPlay() { playing_ = false; }

std::optional<Picture> Viewer::PlayTick() {
  // As with the scan, a tick that comes while a load is running is dropped.
  if (rendering_ || !playing_) return std::nullopt;
  playPosition_ = (playPosition_ + 1) % playFrames_.size();
  const std::string& path = playFrames_[playPosition_];
  // A listed frame moves the counter, as browsing does.
  if (DirectoryPart(path) == dataSetDirectory_) {
    const auto listed = std::find(listing_.FileList.begin(), listing_.FileList.end(), FileNamePart(path));
    if (listed != listing_.FileList.end()) return BrowseTo(int(listed - listing_.FileList.begin()) + 1);
  }
  if (!keepAdjustments_) return LoadFrameFile(path);
  const OptionSet options = document_.ActiveOptions();
  const ToneSteps steps = document_.Steps();
  return Rendering([&] { return document_.Load(path, options, steps); });
}

void Viewer::ChoosePlaySpeed(int framesPerSecond) {
  playFramesPerSecond_ = std::clamp(framesPerSecond, 1, MaxFramesPerSecond);
}

void Viewer::ChooseScanPause(int seconds) {
  if (seconds < ShortestScanPauseSeconds || seconds > LongestScanPauseSeconds) return;
  scanIntervalMs_ = seconds * 1000;
  checkedPauseSeconds_ = seconds;
}

void Viewer::CompareWith(const std::string& path) {
  RenderingScope scope(rendering_);
  comparison_.emplace(path, document_);
}

void Viewer::NudgeComparison(int down, int right) {
  if (comparison_) comparison_->Nudge(down, right);
}

void Viewer::ResetComparisonNudge() {
  if (comparison_) comparison_->ResetNudge();
}

void Viewer::CloseImageWindow() {
  comparison_.reset();
  frameOnScreen_ = false;
  timerEnabled_ = false;
  playing_ = false;
  SetScanButtons(false, false);
}

}  // namespace vantorel
