#include "app/compare_views.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>

#include "app/frame_views.h"
#include "viewer/viewer.h"

namespace vantorel {

namespace {

// Shift with an arrow nudges this many pixels.
constexpr int LongNudge = 10;
// Where the offset gives way in a narrow status bar: "second MVE0102.012".
constexpr int OffsetKeptCharacters = 18;

QImage ImageOf(const ComparisonPicture& picture) {
  return QImage(picture.Bgr.data(), picture.Width, picture.Height, picture.Width * 3, QImage::Format_BGR888).copy();
}

// The nudge an arrow key asks for, (0, 0) for any other key.
QPoint NudgeOf(const QKeyEvent& key) {
  const int step = key.modifiers() & Qt::ShiftModifier ? LongNudge : 1;
  switch (key.key()) {
    case Qt::Key_Up: return {0, -step};
    case Qt::Key_Down: return {0, step};
    case Qt::Key_Left: return {-step, 0};
    case Qt::Key_Right: return {step, 0};
    default: return {};
  }
}

}  // namespace

CompareViews::CompareViews(QMainWindow& window, const Viewer& viewer, FrameViews& views,
                           const QPointer<TChild>& imageWindow)
    : window_(window), viewer_(viewer), views_(views), imageWindow_(imageWindow) {
  blinkTimer_ = new QTimer(this);
  blinkTimer_->setObjectName("CompareBlinkTimer");
  connect(blinkTimer_, &QTimer::timeout, this, &CompareViews::BlinkTick);
  qApp->installEventFilter(this);
}

CompareViews::~CompareViews() { qApp->removeEventFilter(this); }

void CompareViews::Attach(QStatusBar& statusBar) {
  offsetField_ = new StatusField("ComparisonOffset", OffsetKeptCharacters);
  // Right after the readout (the one field that is not permanent).
  statusBar.insertPermanentWidget(1, offsetField_);
  offsetField_->hide();
}

void CompareViews::SetMode(CompareMode mode) {
  mode_ = mode;
  secondShown_ = false;
  Refresh();
}

void CompareViews::SetBlinkInterval(int ms) {
  intervalMs_ = ms;
  secondShown_ = false;
  Refresh();
}

void CompareViews::Refresh() {
  const FrameComparison* comparison = viewer_.Comparison();
  if (!comparison || !imageWindow_ || !viewer_.FrameOnScreen()) {
    Clear();
    return;
  }
  active_ = true;
  aligned_ = ImageOf(comparison->AlignedPicture());
  difference_ =
      mode_ == CompareMode::Difference ? ImageOf(comparison->DifferencePicture(viewer_.Document())) : QImage();
  secondBadge_ = "Second: " + QString::fromStdString(comparison->Second().CurrentFileName());
  const QString offset = QString::fromStdString(comparison->OffsetText());
  offsetField_->setText(offset);
  offsetField_->setToolTip(offset + "\nArrow keys nudge the second frame (Shift: 10 pixels).");
  offsetField_->show();
  const bool blinking = mode_ == CompareMode::Blink && intervalMs_ > 0;
  if (blinking && (!blinkTimer_->isActive() || blinkTimer_->interval() != intervalMs_)) blinkTimer_->start(intervalMs_);
  if (!blinking) blinkTimer_->stop();
  views_.SetReadout([this](int x, int y) {
    const FrameComparison* now = viewer_.Comparison();
    return now ? now->ReadoutText(viewer_.Document(), x, y) : std::string();
  });
  ShowPictures();
}

void CompareViews::ShowPictures() {
  if (!active_) return;
  imageWindow_->ShowSecondPane(mode_ == CompareMode::SideBySide ? aligned_ : QImage(), secondBadge_);
  if (ShowingSecond())
    views_.ShowInstead(aligned_, secondBadge_);
  else if (mode_ == CompareMode::Difference)
    views_.ShowInstead(difference_, "Difference: first \u2212 second");
  else
    views_.ShowInstead(QImage(), QString());
}

void CompareViews::Clear() {
  blinkTimer_->stop();
  secondShown_ = keyHeld_ = false;
  aligned_ = difference_ = QImage();
  if (offsetField_) offsetField_->hide();
  if (!active_) return;
  active_ = false;
  views_.ShowInstead(QImage(), QString());
  views_.SetReadout(nullptr);
  if (imageWindow_) imageWindow_->ShowSecondPane(QImage(), QString());
}

void CompareViews::BlinkTick() {
  secondShown_ = !secondShown_;
  ShowPictures();
}

bool CompareViews::eventFilter(QObject* watched, QEvent* event) {
  const bool press = event->type() == QEvent::KeyPress, release = event->type() == QEvent::KeyRelease;
  const auto* widget = qobject_cast<QWidget*>(watched);
  if (!active_ || !(press || release) || !widget || widget->window() != &window_ ||
      qobject_cast<const QLineEdit*>(widget))
    return QObject::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_K && (release || key->modifiers() == Qt::NoModifier)) {
    if (!key->isAutoRepeat() && keyHeld_ != press) {
      keyHeld_ = press;
      ShowPictures();
    }
    return true;
  }
  // The arrows keep their own work in the docks' lists and fields.
  const bool inPicture = widget == &window_ || (imageWindow_ && imageWindow_->isAncestorOf(widget));
  const QPoint nudge = NudgeOf(*key);
  if (!inPicture || nudge.isNull() || (key->modifiers() & ~Qt::ShiftModifier & ~Qt::KeypadModifier))
    return QObject::eventFilter(watched, event);
  if (press) emit NudgeRequested(nudge.y(), nudge.x());
  return true;
}

}  // namespace vantorel
