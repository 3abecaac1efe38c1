// All state of the main window and the logic of every command, without Qt.
// TMainForm calls one method per command and mirrors the state onto widgets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "frames/file_list.h"
#include "frames/frame_layout.h"
#include "header/header_decode.h"
#include "pipeline/render_context.h"

namespace vantorel {

enum class LoadVariant { Open, Browse };

enum class StepCommand { BrightnessDown, BrightnessUp, ContrastDown, ContrastUp, GradientDown, GradientUp };

enum class ScanDirection : int { None = 0, Forward = 1, Backward = 2 };

// The BMP file one render composed: what the image window shows.
struct Picture {
  std::vector<std::uint8_t> Bmp;  // BmpFileBytes
};

inline constexpr int DefaultScanIntervalMs = 2000;

class Viewer {
 public:
  Viewer();

  // --- loading ---------------------------------------------------------------
  // Makes path the current path and loads it (the Open variant).
  Picture OpenFrame(const std::string& path);
  // Loads the current path; Browse keeps the listing, pause and command states.
  Picture LoadFrameFile(LoadVariant variant);

  // --- option commands ---------------------------------------------------------
  // Options menu: toggles one OptionFlags entry; nothing is rendered.
  void ToggleOptionFlag(Option option);
  // Option button: toggles one ActiveOptions entry and renders again.
  Picture ToggleActiveOption(Option option);
  // Brightness, contrast and gradient buttons.
  Picture ApplyStep(StepCommand command);
  // "Original Image": every option off, counters 0, only flip and compose.
  Picture ShowOriginalImage();
  // Sets all three counters at once and renders again (the command line's steps).
  Picture RenderWithSteps(const ToneSteps& steps);

  // --- browsing ----------------------------------------------------------------
  // Next / Previous: nothing (no picture) at the ends of the list.
  std::optional<Picture> NextFile();
  std::optional<Picture> PreviousFile();
  void StartScan(ScanDirection direction);
  void StopScan();
  // One tick of the scan timer; a picture when it loaded a file.
  std::optional<Picture> ScanTick();
  // Scan-pause menu: 2 to 5 seconds.
  void ChooseScanPause(int seconds);

  // Closing the image window: back to the no-frame state, scan stopped.
  void CloseImageWindow();

  // --- state ---------------------------------------------------------------------
  bool FrameOnScreen() const { return frameOnScreen_; }
  const OptionSet& OptionFlags() const { return optionFlags_; }
  const OptionSet& ActiveOptions() const { return activeOptions_; }
  // An option button is Down exactly when its ActiveOptions entry is 1.
  bool OptionButtonDown(Option option) const { return Entry(activeOptions_, option) == 1; }
  const ToneSteps& Steps() const { return steps_; }

  const std::string& CurrentPath() const { return currentPath_; }
  const std::string& CurrentFileName() const { return currentFileName_; }
  const std::string& DataSetDirectory() const { return dataSetDirectory_; }
  std::int32_t BytesRead() const { return bytesRead_; }
  int LineCount() const { return LineCountFor(bytesRead_); }
  // Why the last load could not read its file; empty after a good read.
  const std::string& ReadError() const { return readError_; }

  const FrameBuffer& PristineFrame() const { return pristineFrame_; }
  const std::vector<std::uint8_t>& FitsPlane() const { return fitsPlane_; }
  const HeaderState& Header() const { return header_; }
  const LabelCardSet& LabelCards() const { return header_.LabelCards; }

  const std::vector<std::string>& FileList() const { return listing_.FileList; }
  int FileCount() const { return listing_.FileCount(); }
  int FileIndex() const { return listing_.FileIndex; }
  // "FileIndex/FileCount", the counter box text.
  std::string CounterText() const;

  ScanDirection CurrentScanDirection() const { return scanDirection_; }
  int ScanInterval() const { return scanIntervalMs_; }
  bool TimerEnabled() const { return timerEnabled_; }
  int TimerInterval() const { return timerIntervalMs_; }
  bool ForwardScanButtonDown() const { return forwardScanDown_; }
  bool BackwardScanButtonDown() const { return backwardScanDown_; }
  // The checked Scan-pause item in seconds, 0 when none is checked.
  int CheckedScanPause() const { return checkedPauseSeconds_; }

 private:
  enum class RenderKind { Full, Original };
  Picture Render(RenderKind kind);
  Picture RenderFrame(FrameBuffer& workFrame, RenderKind kind);
  std::optional<Picture> BrowseTo(int fileIndex);
  void SetScanButtons(bool forwardDown, bool backwardDown);

  // Frame and header.
  FrameBuffer pristineFrame_;
  std::vector<std::uint8_t> fitsPlane_;
  HeaderState header_;
  std::int32_t bytesRead_ = 0;
  std::string currentPath_;
  std::string currentFileName_;
  std::string dataSetDirectory_;
  std::string readError_;
  DespeckleSettings despeckle_;

  // Options and tone counters.
  OptionSet optionFlags_{};
  OptionSet activeOptions_{};
  ToneSteps steps_;

  // Listing and scanning.
  FileListing listing_;
  ScanDirection scanDirection_ = ScanDirection::None;
  int scanIntervalMs_ = 0;
  bool timerEnabled_ = false;
  int timerIntervalMs_ = DefaultScanIntervalMs;
  bool forwardScanDown_ = false;
  bool backwardScanDown_ = false;
  int checkedPauseSeconds_ = 0;

  bool frameOnScreen_ = false;
  bool rendering_ = false;
};

}  // namespace vantorel
