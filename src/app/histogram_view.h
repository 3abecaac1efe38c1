// The histogram dock: the shown picture's histogram over the raw frame's, the
// tone mapping's transfer curve, the display scale's limits as two markers to
// drag and a colour bar of what each level shows; below, the scale's choices.
// The plot is the core's (analysis/histogram.h); this only paints.
#pragma once

#include <optional>

#include <QDockWidget>
#include <QWidget>

#include "analysis/histogram.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;

namespace vantorel {

class HistogramView : public QWidget {
  Q_OBJECT
 public:
  explicit HistogramView(QWidget* parent = nullptr);
  // Nothing clears the view: no frame on screen.
  void SetPlot(std::optional<HistogramPlot> plot);
  const std::optional<HistogramPlot>& Plot() const { return plot_; }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  // Where the bars are drawn, and the colour bar under them.
  QRectF BarArea() const;
  QRectF ColorBarArea() const;
  // The x of a grey level's middle, and the level under an x (0..255).
  double XOfLevel(double level) const;
  int LevelAtX(double x) const;

 signals:
  // A marker dragged: the limits it makes, Low below High.
  void LimitsDragged(vantorel::ScaleLimits limits);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QRectF PlotArea() const;
  enum class Marker { None, Low, High };
  Marker MarkerAt(QPointF point) const;

  std::optional<HistogramPlot> plot_;
  Marker dragged_ = Marker::None;
};

class HistogramDock : public QDockWidget {
  Q_OBJECT
 public:
  explicit HistogramDock(QWidget* parent = nullptr);
  HistogramView* View() const { return view_; }
  // Counts on a logarithmic scale rather than a linear one.
  bool LogScale() const;
  void SetLogScale(bool on);
  // The count at 0 left out of the vertical scale.
  bool SkipZero() const;
  void SetSkipZero(bool on);
  HistogramScale Scale() const { return LogScale() ? HistogramScale::Logarithmic : HistogramScale::Linear; }
  ZeroBin ZeroBinChoice() const { return SkipZero() ? ZeroBin::Skipped : ZeroBin::Counted; }

  // The display scale chosen below the plot: mode, curve and percentiles
  // (no limits, no colour map).
  DisplaySettings ChosenScale() const;
  // Shows a display's scale in the choices, without a DisplayScaleEdited.
  void ShowScale(const DisplaySettings& display);

 signals:
  // Either setting changed, by the user or a setter: the heights must be computed again.
  void ScaleChanged();
  // The user changed either setting: worth remembering for the next run.
  void ScaleSettingsEdited();
  // The user chose another display scale, curve or percentile.
  void DisplayScaleEdited();

 private:
  void ShowPercentiles();

  HistogramView* view_;
  QCheckBox* logarithmic_;
  QCheckBox* skipZero_;
  QComboBox* scaleMode_;
  QComboBox* scaleCurve_;
  QLabel* percentLabel_;
  QDoubleSpinBox* lowPercent_;
  QDoubleSpinBox* highPercent_;
};

}  // namespace vantorel
