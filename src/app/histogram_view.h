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
  bool Logarithmic() const;
  void SetLogarithmic(bool logarithmic);

 signals:
  // The linear / logarithmic toggle changed: the heights must be computed again.
  void ScaleChanged();

 private:
  HistogramView* view_;
  QCheckBox* logarithmic_;
};

}  // namespace vantorel
