// The measuring docks: statistics of a region drawn on the picture, the
// profile along a line drawn on it, and the table of values around the
// pointer. The region and the line are kept in frame lines and samples, so
// that they stay on the same ground through flip, rotate and minimize; what
// the docks show is computed by the core (analysis/region_statistics.h,
// analysis/readout.h), they only paint it.
#pragma once

#include <optional>

#include <QDockWidget>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include "analysis/readout.h"
#include "analysis/region_statistics.h"
#include "app/mdi_child.h"

class QComboBox;
class QLabel;
class QMainWindow;
class QTableWidget;

namespace vantorel {

class Viewer;

// The raw and shown values along a profile, the pointer's place marked.
class ProfilePlot : public QWidget {
  Q_OBJECT
 public:
  explicit ProfilePlot(QWidget* parent = nullptr);
  void SetProfile(std::optional<LineProfile> profile, std::optional<std::size_t> marked);
  const std::optional<LineProfile>& Profile() const { return profile_; }
  std::optional<std::size_t> Marked() const { return marked_; }
  QSize sizeHint() const override { return {320, 180}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<LineProfile> profile_;
  std::optional<std::size_t> marked_;
};

class MeasureViews : public QObject {
  Q_OBJECT
 public:
  // Docks the three views at window's right, hidden until the View menu shows them.
  MeasureViews(QMainWindow& window, const Viewer& viewer, const QPointer<TChild>& imageWindow);

  QDockWidget& StatisticsDock() const { return *statisticsDock_; }
  QDockWidget& ProfileDock() const { return *profileDock_; }
  QDockWidget& PixelTableDock() const { return *pixelTableDock_; }
  QTableWidget& StatisticsTable() const { return *statisticsTable_; }
  QTableWidget& PixelTable() const { return *pixelTable_; }
  ProfilePlot& Plot() const { return *plot_; }

  // A new image window: its drags draw and its overlays show the measurements.
  void Attach(TChild& child);
  void SetTool(MeasureTool tool);
  MeasureTool Tool() const { return tool_; }
  const std::optional<FrameRegion>& Region() const { return region_; }
  void SetRegion(std::optional<FrameRegion> region);
  void SetProfileLine(FramePoint from, FramePoint to);
  // No region and no line: their overlays go, the docks wait for new ones.
  void Clear();
  // The pixel table's values: the shown levels rather than the raw ones.
  bool PixelTableShowsShown() const;
  void SetPixelTableShowsShown(bool shown);
  // The pixel table follows the pointer again.
  void Unfreeze();
  bool Frozen() const { return frozenAt_.has_value(); }

  // After a render, or the frame went: statistics, profile, overlays and table.
  void Refresh();
  // The pointer moved: the pixel table and the profile's mark follow it.
  void PointerMoved();

 private:
  bool FrameShown() const;
  void RegionDrawn(QRect box, bool ellipse);
  void ProfileDrawn(QLine line);
  void PictureClicked(QPoint pixel);
  void RefreshStatistics();
  void RefreshProfile();
  void RefreshOverlays();
  void RefreshPixelTable();
  void CopyText(const std::string& text);

  const Viewer& viewer_;
  const QPointer<TChild>& imageWindow_;
  QDockWidget* statisticsDock_;
  QDockWidget* profileDock_;
  QDockWidget* pixelTableDock_;
  QLabel* regionText_;
  QTableWidget* statisticsTable_;
  QLabel* profileText_;
  ProfilePlot* plot_;
  QTableWidget* pixelTable_;
  QComboBox* pixelValues_;
  QLabel* pixelTableText_;
  MeasureTool tool_ = MeasureTool::None;
  std::optional<FrameRegion> region_;
  std::optional<std::pair<FramePoint, FramePoint>> profileLine_;
  // The measurements of the last render.
  RegionStatistics statistics_;
  LineProfile profile_;
  // The frame place the pixel table is held at, which stays put through the geometry.
  std::optional<FramePoint> frozenAt_;
};

}  // namespace vantorel
