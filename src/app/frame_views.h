// The views over the frame on screen: the histogram dock, the status bar's
// fields (pixel readout, data set, steps, zoom), the special-pixel marks and
// their legend, and the blink to the original picture while B or the Blink
// button is held. Each follows the Viewer and the image window; what they
// show is computed by the core.
#pragma once

#include <QLabel>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

#include "analysis/histogram.h"
#include "app/compare_views.h"
#include "app/histogram_view.h"
#include "app/mdi_child.h"
#include "app/measure_views.h"

class QAction;
class QMainWindow;
class QStatusBar;
class QToolButton;

namespace vantorel {

class FrameDocument;
class Viewer;

// How long the status bar shows a notice, such as why a drop opened nothing.
inline constexpr int NoticeMs = 8000;

// A status-bar text that gives way when the bar is narrow: painted cut short
// with "…" rather than mid-glyph, the whole of it then in the tool tip.
// text() stays the whole text.
class StatusField : public QLabel {
  Q_OBJECT
 public:
  // How far the field gives way to the others: to its first keptCharacters
  // and "…", or (WholeText) not at all, cut only when the window is narrower still.
  static constexpr int WholeText = -1;
  // A field inside a group with a tool tip of its own leaves the tool tip to the group.
  enum class ToolTip { Own, Group };
  StatusField(const char* name, int keptCharacters, ToolTip toolTip = ToolTip::Own);
  // What shows at the field's present width.
  QString ShownText() const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  int keptCharacters_;
  ToolTip toolTip_;
};

class FrameViews : public QObject {
  Q_OBJECT
 public:
  // Docks the histogram at window's right, hidden until View > Histogram.
  // imageWindow is the window's image window, null while none is open.
  FrameViews(QMainWindow& window, const Viewer& viewer, const QPointer<TChild>& imageWindow);
  ~FrameViews() override;

  // Adds the fields and the legend to statusBar; the marks follow markItem,
  // and blinkButton blinks while held.
  void Attach(QStatusBar& statusBar, QAction& markItem, QToolButton& blinkButton);

  HistogramDock& Histogram() const { return *histogramDock_; }
  MeasureViews& Measure() const { return *measure_; }
  CompareViews& Compare() const { return *compare_; }
  // True while the image window of an Open is on screen.
  bool FrameShown() const;
  // True while B or the Blink button holds the original picture on screen.
  bool Blinking() const { return blinkKeyHeld_ || blinkButtonHeld_; }

  // After the frame on screen changed, or went: the histogram, the marks and
  // a blink in progress; emptied when there is none.
  void Refresh();
  void RefreshHistogram();
  void RefreshSpecialPixels();
  // The data set, step and zoom fields, and the readout of the pixel under the pointer.
  void RefreshStatusFields();
  // A picture shown in place of the processed one while B is not held (a
  // comparison's or a composite's), badged; a null picture ends it.
  void ShowInstead(QImage picture, const QString& badge);
  // What the readout says under picture pixel (x, y) instead of the frame's own
  // readout ("" for nothing there); null gives the frame's own back.
  using ReadoutSource = std::function<std::string(int x, int y)>;
  void SetReadout(ReadoutSource readout);
  // The release of a B held when the image window closed must not count for the next one.
  void ForgetBlinkKey() { blinkKeyHeld_ = false; }

 protected:
  // Holding B blinks: seen before any widget of the window can take the key.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows the original picture while blinking, the processed one otherwise.
  void RefreshBlink();
  void AddSpecialPixelLegend();

  QMainWindow& window_;
  const Viewer& viewer_;
  const QPointer<TChild>& imageWindow_;
  HistogramDock* histogramDock_ = nullptr;
  std::unique_ptr<MeasureViews> measure_;
  std::unique_ptr<CompareViews> compare_;
  QStatusBar* statusBar_ = nullptr;
  StatusField* pixelReadout_ = nullptr;
  StatusField* dataSetField_ = nullptr;
  StatusField* stepsField_ = nullptr;
  StatusField* zoomField_ = nullptr;
  QAction* markSpecialPixels_ = nullptr;
  QWidget* specialPixelLegend_ = nullptr;
  StatusField* specialPixelCounts_ = nullptr;
  QImage instead_;
  QString insteadBadge_;
  ReadoutSource readout_;
  bool blinkKeyHeld_ = false;
  bool blinkButtonHeld_ = false;
};

}  // namespace vantorel
