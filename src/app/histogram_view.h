// The histogram dock: the shown picture's histogram over the raw frame's, and
// the tone mapping's transfer curve. The plot is the core's
// (analysis/histogram.h); this only paints.
#pragma once

#include <optional>

#include <QDockWidget>
#include <QWidget>

#include "analysis/histogram.h"

class QCheckBox;

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

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<HistogramPlot> plot_;
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

 signals:
  // Either setting changed, by the user or a setter: the heights must be computed again.
  void ScaleChanged();
  // The user changed either setting: worth remembering for the next run.
  void ScaleSettingsEdited();

 private:
  HistogramView* view_;
  QCheckBox* logarithmic_;
  QCheckBox* skipZero_;
};

}  // namespace vantorel
