#include "app/remembered_settings.h"

#include <algorithm>

#include <QByteArrayList>
#include <QSettings>

#include "viewer/recent_list.h"

namespace vantorel {
namespace {

// Paths are kept as their bytes, so that a name that is not UTF-8 comes back as it was.
std::vector<std::string> PathList(const QSettings& store, const char* key) {
  std::vector<std::string> paths;
  for (const QByteArray& path : store.value(key).value<QByteArrayList>()) paths.push_back(path.toStdString());
  return paths;
}

void SetPathList(QSettings& store, const char* key, const std::vector<std::string>& paths) {
  QByteArrayList list;
  for (const std::string& path : paths) list.append(QByteArray::fromStdString(path));
  store.setValue(key, QVariant::fromValue(list));
}

ExportFormat EntryNamed(const QString& extension) {
  for (const ExportFormatEntry& entry : ExportFormats)
    if (extension == QString::fromUtf8(entry.SaveExtension.data(), qsizetype(entry.SaveExtension.size())))
      return entry.Format;
  return ExportFormat::Bmp;
}

template <typename Choice, std::size_t Count>
Choice ChoiceNamed(const std::array<ChoiceName<Choice>, Count>& names, const QVariant& word) {
  return ChoiceByWord(names, word.toString().toStdString()).value_or(names.front().Value);
}

template <typename Choice, std::size_t Count>
QString WordOf(const std::array<ChoiceName<Choice>, Count>& names, Choice value) {
  const std::string_view word = NameOf(names, value).Word;
  return QString::fromUtf8(word.data(), qsizetype(word.size()));
}

DisplaySettings ReadDisplay(const QSettings& store) {
  DisplaySettings display;
  display.Mode = ChoiceNamed(ScaleModeNames, store.value("display/scale"));
  display.Curve = ChoiceNamed(ScaleCurveNames, store.value("display/curve"));
  display.Map = ChoiceNamed(ColorMapNames, store.value("display/colormap"));
  bool lowRead = false, highRead = false;
  const double low = store.value("display/lowPercent").toDouble(&lowRead);
  const double high = store.value("display/highPercent").toDouble(&highRead);
  if (lowRead && highRead && low >= 0 && low < high && high <= 100) {
    display.LowPercent = low;
    display.HighPercent = high;
  }
  return display;
}

}  // namespace

RememberedSettings ReadSettings(QSettings& store) {
  RememberedSettings settings;
  settings.RecentFrames = StillPresent(PathList(store, "recent/frames"), PathExists);
  settings.RecentFolders = StillPresent(PathList(store, "recent/folders"), PathExists);
  settings.HistogramShown = store.value("histogram/shown", false).toBool();
  settings.HistogramLogarithmic = store.value("histogram/logarithmic", false).toBool();
  settings.HistogramSkipsZero = store.value("histogram/skipZero", false).toBool();
  settings.FramesShown = store.value("frames/shown", false).toBool();
  settings.FramesFromCatalogue = store.value("frames/fromCatalogue", false).toBool();
  settings.FramesCatalogue = store.value("frames/catalogue").toByteArray().toStdString();
  const int sortKey = store.value("frames/sort", 0).toInt();
  if (sortKey >= int(BrowserSortKey::Name) && sortKey <= int(BrowserSortKey::FdsCount))
    settings.FramesSort.Key = BrowserSortKey(sortKey);
  settings.FramesSort.Descending = store.value("frames/descending", false).toBool();
  settings.StatisticsShown = store.value("measure/statisticsShown", false).toBool();
  settings.ProfileShown = store.value("measure/profileShown", false).toBool();
  settings.PixelTableShown = store.value("measure/pixelTableShown", false).toBool();
  settings.PixelTableShowsShown = store.value("measure/pixelTableShowsShown", false).toBool();
  settings.MarkSpecialPixels = store.value("view/markSpecialPixels", false).toBool();
  settings.FitToWindow = store.value("view/fitToWindow", false).toBool();
  settings.KeepAdjustments = store.value("options/keepAdjustments", false).toBool();
  const int format = store.value("animation/format", 0).toInt();
  settings.AnimationFormat = format >= 0 && format < int(std::size(AnimationFormats)) ? format : 0;
  settings.AnimationFramesPerSecond =
      std::clamp(store.value("animation/framesPerSecond", DefaultFramesPerSecond).toInt(), 1, MaxFramesPerSecond);
  settings.AnimationHalfSize = store.value("animation/halfSize", false).toBool();
  const int mode = store.value("compare/mode", 0).toInt();
  settings.Comparison = mode >= 0 && mode < CompareModeCount ? CompareMode(mode) : CompareMode::Blink;
  const int interval = store.value("compare/blinkIntervalMs", DefaultBlinkIntervalMs).toInt();
  settings.BlinkIntervalMs =
      std::ranges::find(BlinkIntervalsMs, interval) != std::end(BlinkIntervalsMs) ? interval : DefaultBlinkIntervalMs;
  settings.OpenFolder = store.value("folders/open").toByteArray().toStdString();
  settings.SaveFolder = store.value("folders/save").toByteArray().toStdString();
  settings.SaveEntry = EntryNamed(store.value("save/entry").toString());
  settings.Display = ReadDisplay(store);
  return settings;
}

void WriteSettings(QSettings& store, const RememberedSettings& settings) {
  SetPathList(store, "recent/frames", settings.RecentFrames);
  SetPathList(store, "recent/folders", settings.RecentFolders);
  store.setValue("histogram/shown", settings.HistogramShown);
  store.setValue("histogram/logarithmic", settings.HistogramLogarithmic);
  store.setValue("histogram/skipZero", settings.HistogramSkipsZero);
  store.setValue("frames/shown", settings.FramesShown);
  store.setValue("frames/fromCatalogue", settings.FramesFromCatalogue);
  store.setValue("frames/catalogue", QByteArray::fromStdString(settings.FramesCatalogue));
  store.setValue("frames/sort", int(settings.FramesSort.Key));
  store.setValue("frames/descending", settings.FramesSort.Descending);
  store.setValue("measure/statisticsShown", settings.StatisticsShown);
  store.setValue("measure/profileShown", settings.ProfileShown);
  store.setValue("measure/pixelTableShown", settings.PixelTableShown);
  store.setValue("measure/pixelTableShowsShown", settings.PixelTableShowsShown);
  store.setValue("view/markSpecialPixels", settings.MarkSpecialPixels);
  store.setValue("view/fitToWindow", settings.FitToWindow);
  store.setValue("options/keepAdjustments", settings.KeepAdjustments);
  store.setValue("animation/format", settings.AnimationFormat);
  store.setValue("animation/framesPerSecond", settings.AnimationFramesPerSecond);
  store.setValue("animation/halfSize", settings.AnimationHalfSize);
  store.setValue("compare/mode", int(settings.Comparison));
  store.setValue("compare/blinkIntervalMs", settings.BlinkIntervalMs);
  store.setValue("folders/open", QByteArray::fromStdString(settings.OpenFolder));
  store.setValue("folders/save", QByteArray::fromStdString(settings.SaveFolder));
  const std::string_view entry = EntryOf(settings.SaveEntry).SaveExtension;
  store.setValue("save/entry", QString::fromUtf8(entry.data(), qsizetype(entry.size())));
  store.setValue("display/scale", WordOf(ScaleModeNames, settings.Display.Mode));
  store.setValue("display/curve", WordOf(ScaleCurveNames, settings.Display.Curve));
  store.setValue("display/colormap", WordOf(ColorMapNames, settings.Display.Map));
  store.setValue("display/lowPercent", settings.Display.LowPercent);
  store.setValue("display/highPercent", settings.Display.HighPercent);
}

}  // namespace vantorel
