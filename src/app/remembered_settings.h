// What the window remembers from one run to the next, in Qt's settings store:
// the recent frames and folders, the histogram dock and its scale, the display
// scale and colour map, the frames dock with its source and order, the
// measuring docks and the pixel table's values, the marks,
// the zoom mode, the folders last used, the Save As entry and the animation
// choices last made. The
// window itself still starts as it always does.
#pragma once

#include <string>
#include <vector>

#include "export/animation.h"
#include "export/export_format.h"
#include "pipeline/display_settings.h"
#include "viewer/frame_browser.h"
#include "viewer/frame_comparison.h"

class QSettings;

namespace vantorel {

struct RememberedSettings {
  std::vector<std::string> RecentFrames;   // latest first
  std::vector<std::string> RecentFolders;  // latest first
  bool HistogramShown = false;
  bool HistogramLogarithmic = false;
  bool HistogramSkipsZero = false;
  bool FramesShown = false;
  bool FramesFromCatalogue = false;  // else the folder of the frame on screen
  std::string FramesCatalogue;
  BrowserSort FramesSort{};
  bool StatisticsShown = false;
  bool ProfileShown = false;
  bool PixelTableShown = false;
  bool PixelTableShowsShown = false;  // the pixel table's shown levels rather than raw values
  bool MarkSpecialPixels = false;
  bool FitToWindow = false;
  bool KeepAdjustments = false;
  std::string OpenFolder;
  std::string SaveFolder;
  ExportFormat SaveEntry = ExportFormat::Bmp;
  // Export Animation's choices, which Play's pace follows.
  int AnimationFormat = 0;  // an index into AnimationFormats
  int AnimationFramesPerSecond = DefaultFramesPerSecond;
  bool AnimationHalfSize = false;
  // How comparisons are shown.
  CompareMode Comparison = CompareMode::Blink;
  int BlinkIntervalMs = DefaultBlinkIntervalMs;  // one of BlinkIntervalsMs
  // The display scale (without limits held by hand) and the colour map.
  DisplaySettings Display;
};

// What the store holds, with recent entries that are gone dropped; the
// defaults for anything it lacks or holds in a form we do not read.
RememberedSettings ReadSettings(QSettings& store);
void WriteSettings(QSettings& store, const RememberedSettings& settings);

}  // namespace vantorel
