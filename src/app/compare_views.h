// What the image window shows of a comparison (Compare With): the second
// frame blinking over the first, at an interval or while K is held; both side
// by side in two panes that zoom and scroll together; or their difference.
// The offset is shown in the status bar, the arrow keys nudge it, and the
// readout gives both frames' values. The comparison itself is the Viewer's.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>

#include "app/mdi_child.h"
#include "viewer/frame_comparison.h"

class QMainWindow;
class QStatusBar;
class QTimer;

namespace vantorel {

class FrameViews;
class StatusField;
class Viewer;

class CompareViews : public QObject {
  Q_OBJECT
 public:
  CompareViews(QMainWindow& window, const Viewer& viewer, FrameViews& views, const QPointer<TChild>& imageWindow);
  ~CompareViews() override;

  void Attach(QStatusBar& statusBar);

  CompareMode Mode() const { return mode_; }
  void SetMode(CompareMode mode);
  int BlinkInterval() const { return intervalMs_; }
  void SetBlinkInterval(int ms);
  // Whether the blink shows the second frame now.
  bool ShowingSecond() const { return secondShown_ || keyHeld_; }

  // After the comparison, the frame on screen or its render changed: the
  // pictures, the offset field and the readout follow the Viewer's comparison.
  void Refresh();

 signals:
  // An arrow key: the second picture is to move by so many pixels.
  void NudgeRequested(int down, int right);

 protected:
  // K held blinks and the arrows nudge, wherever the focus is in the window
  // but in a text field.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BlinkTick();
  // Puts the pictures made by Refresh on screen for the mode and the blink phase.
  void ShowPictures();
  void Clear();

  QMainWindow& window_;
  const Viewer& viewer_;
  FrameViews& views_;
  const QPointer<TChild>& imageWindow_;
  StatusField* offsetField_ = nullptr;
  QTimer* blinkTimer_ = nullptr;
  CompareMode mode_ = CompareMode::Blink;
  int intervalMs_ = DefaultBlinkIntervalMs;
  bool active_ = false;  // whether this put pictures and the readout on screen
  bool secondShown_ = false;
  bool keyHeld_ = false;
  QImage aligned_;
  QImage difference_;
  QString secondBadge_;
};

}  // namespace vantorel
