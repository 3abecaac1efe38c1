// The commands of the main window and the state they keep, without Qt: the
// Options menu, browsing the folder's frame files, the scan and its timer, the
// Down states. The frame on screen and its renders are the FrameDocument's.
// TMainForm calls one method per command and mirrors the state onto widgets.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/animation.h"
#include "frames/file_list.h"
#include "viewer/frame_comparison.h"
#include "viewer/frame_document.h"

namespace vantorel {

enum class ScanDirection : int { None = 0, Forward = 1, Backward = 2 };

inline constexpr int DefaultScanIntervalMs = 2000;
// The Scan-pause menu's choices, in seconds.
inline constexpr int ShortestScanPauseSeconds = 2;
inline constexpr int LongestScanPauseSeconds = 5;

class Viewer {
 public:
  // --- loading ---------------------------------------------------------------
  // Open: loads path, lists its folder and places the file in the listing.
  Picture OpenFrame(const std::string& path);

  // --- option commands ---------------------------------------------------------
  // Options menu: toggles one OptionFlags entry; nothing is rendered.
  void ToggleOptionFlag(Option option);
  Picture ToggleActiveOption(Option option);
  Picture ApplyStep(StepCommand command);
  Picture ShowOriginalImage();
  Picture RenderWithSteps(const ToneSteps& steps);
  // The display scale and colour map, for this frame and the next ones; only
  // the display steps run again.
  Picture SetDisplay(const DisplaySettings& display);
  // What Original Image would show, changing nothing (for blinking).
  Picture OriginalPicture() const { return document_.OriginalPicture(); }
  // For the special-pixel marks: see FrameDocument::KeepReplacedSamples.
  void KeepReplacedSamples(bool keep);
  // Keep Adjustments While Browsing: browse loads take the option buttons'
  // Down states and the step counters over from the frame before, instead of
  // starting from OptionFlags with the counters at 0 (the default).
  void KeepAdjustments(bool keep) { keepAdjustments_ = keep; }
  bool KeepsAdjustments() const { return keepAdjustments_; }

  // --- browsing ----------------------------------------------------------------
  // Next / Previous: nothing (no picture) at the ends of the list.
  std::optional<Picture> NextFile();
  std::optional<Picture> PreviousFile();
  // Home / End: the folder's first or last frame; nothing when that one is on
  // screen already or the list is empty.
  std::optional<Picture> FirstFile();
  std::optional<Picture> LastFile();
  // Go to Frame: the listed frame that a number or a name names (see
  // FindListedFrame); nothing when it names none or the one on screen.
  std::optional<Picture> GoToFrame(std::string_view numberOrName);
  void StartScan(ScanDirection direction);
  void StopScan();
  // One tick of the scan timer; a picture when it loaded a file.
  std::optional<Picture> ScanTick();
  // Scan-pause menu: 2 to 5 seconds.
  void ChooseScanPause(int seconds);

  // Play: shows frames (paths) one after another, from the one after the
  // frame on screen (else the first) and round again, at PlayFramesPerSecond, until stopped; a scan stops. Nothing
  // with fewer than two frames.
  void StartPlay(std::vector<std::string> frames);
  void StopPlay();
  // One tick of the play timer; a picture when it loaded a file.
  std::optional<Picture> PlayTick();
  void ChoosePlaySpeed(int framesPerSecond);

  // --- comparing -------------------------------------------------------------------
  // Compare With: the frame at path, rendered as the frame on screen is and
  // following it through every render and browse until EndComparison.
  void CompareWith(const std::string& path);
  void EndComparison() { comparison_.reset(); }
  // Null while not comparing.
  const FrameComparison* Comparison() const { return comparison_ ? &*comparison_ : nullptr; }
  void NudgeComparison(int down, int right);
  void ResetComparisonNudge();

  // Closing the image window: back to the no-frame state, scan and play stopped, no comparison.
  void CloseImageWindow();

  // --- state ---------------------------------------------------------------------
  const FrameDocument& Document() const { return document_; }
  bool FrameOnScreen() const { return frameOnScreen_; }
  const OptionSet& OptionFlags() const { return optionFlags_; }
  // An option button is Down exactly when its ActiveOptions entry is 1.
  bool OptionButtonDown(Option option) const { return Entry(document_.ActiveOptions(), option) == 1; }

  const std::vector<std::string>& FileList() const { return listing_.FileList; }
  // The listing's files with their folder.
  std::vector<std::string> ListedPaths() const;
  int FileCount() const { return listing_.FileCount(); }
  int FileIndex() const { return listing_.FileIndex; }
  // "FileIndex/FileCount", the counter box text.
  std::string CounterText() const;

  int ScanInterval() const { return scanIntervalMs_; }
  bool TimerEnabled() const { return timerEnabled_; }
  int TimerInterval() const { return timerIntervalMs_; }
  bool ForwardScanButtonDown() const { return forwardScanDown_; }
  bool BackwardScanButtonDown() const { return backwardScanDown_; }
  // The checked Scan-pause item in seconds, 0 when none is checked.
  int CheckedScanPause() const { return checkedPauseSeconds_; }
  bool Playing() const { return playing_; }
  int PlayFramesPerSecond() const { return playFramesPerSecond_; }
  int PlayInterval() const { return (1000 + playFramesPerSecond_ / 2) / playFramesPerSecond_; }
  // Where play is in its frames (0-based), and how many it has.
  std::size_t PlayPosition() const { return playPosition_; }
  std::size_t PlayFrameCount() const { return playFrames_.size(); }

 private:
  // The load that Open and browsing share.
  Picture LoadFrameFile(const std::string& path);
  // Browse: loads another file of the listing; listing, pause and command states stay.
  std::optional<Picture> BrowseTo(int fileIndex);
  // Runs one load or render of the document, marked as running meanwhile.
  template <typename Render>
  Picture Rendering(Render&& render);
  void SetScanButtons(bool forwardDown, bool backwardDown);

  FrameDocument document_;
  OptionSet optionFlags_{};

  // Listing and scanning.
  std::string dataSetDirectory_;
  FileListing listing_;
  ScanDirection scanDirection_ = ScanDirection::None;
  int scanIntervalMs_ = 0;
  bool timerEnabled_ = false;
  int timerIntervalMs_ = DefaultScanIntervalMs;
  bool forwardScanDown_ = false;
  bool backwardScanDown_ = false;
  int checkedPauseSeconds_ = 0;

  std::vector<std::string> playFrames_;
  std::size_t playPosition_ = 0;
  bool playing_ = false;
  int playFramesPerSecond_ = DefaultFramesPerSecond;

  std::optional<FrameComparison> comparison_;

  bool frameOnScreen_ = false;
  bool rendering_ = false;
  bool keepAdjustments_ = false;
};

}  // namespace vantorel
