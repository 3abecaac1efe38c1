#include "app/frame_views.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QToolTip>

#include "analysis/readout.h"
#include "analysis/special_pixels.h"
#include "app/special_pixel_layer.h"
#include "viewer/status_text.h"
#include "viewer/viewer.h"
#include "viewer/zoom.h"

namespace vantorel {
namespace {

constexpr int ReadoutKeptCharacters = 20;

// A small filled square in a colour, for a legend.
QLabel* ColorSwatch(const QColor& color) {
  constexpr int Side = 10;
  QPixmap swatch(Side, Side);
  swatch.fill(color);
  auto* label = new QLabel;
  label->setPixmap(swatch);
  return label;
}

}  // namespace

StatusField::StatusField(const char* name, int keptCharacters, ToolTip toolTip)
    : keptCharacters_(keptCharacters), toolTip_(toolTip) {
  setObjectName(name);
  setContentsMargins(4, 0, 4, 0);
}

QString StatusField::ShownText() const {
  return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

// What the field would take for its whole text, not for what shows now.
QSize StatusField::sizeHint() const {
  const QMargins margins = contentsMargins();
  // Rounded up: a width rounded down to whole pixels would be elided.
  const int textWidth = int(std::ceil(QFontMetricsF(font()).horizontalAdvance(text())));
  return QSize(textWidth + margins.left() + margins.right(), fontMetrics().height() + margins.top() + margins.bottom());
}

QSize StatusField::minimumSizeHint() const {
  if (keptCharacters_ == WholeText || keptCharacters_ >= text().size()) return sizeHint();
  const QMargins margins = contentsMargins();
  const QString kept = text().left(keptCharacters_) + QChar(0x2026);
  return QSize(int(std::ceil(QFontMetricsF(font()).horizontalAdvance(kept))) + margins.left() + margins.right(),
               sizeHint().height());
}

bool StatusField::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QLabel::event(event);
  // Unanswered, the tip goes to the group.
  if (toolTip_ == ToolTip::Group || ShownText() == text()) {
    event->ignore();
    return false;
  }
  QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
  return true;
}

void StatusField::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(), ShownText(),
                        foregroundRole());
}

FrameViews::FrameViews(QMainWindow& window, const Viewer& viewer, const QPointer<TChild>& imageWindow)
    : window_(window), viewer_(viewer), imageWindow_(imageWindow) {
  histogramDock_ = new HistogramDock(&window);
  window.addDockWidget(Qt::RightDockWidgetArea, histogramDock_);
  histogramDock_->hide();
  connect(histogramDock_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (visible) RefreshHistogram();
  });
  connect(histogramDock_, &HistogramDock::ScaleChanged, this, &FrameViews::RefreshHistogram);
  measure_ = std::make_unique<MeasureViews>(window, viewer, imageWindow);
  compare_ = std::make_unique<CompareViews>(window, viewer, *this, imageWindow);
}

FrameViews::~FrameViews() { qApp->removeEventFilter(this); }

void FrameViews::Attach(QStatusBar& statusBar, QAction& markItem, QToolButton& blinkButton) {
  statusBar_ = &statusBar;
  // The readout is long; where space is short it keeps the position, "line 123, sample 456".
  pixelReadout_ = new StatusField("PixelReadout", ReadoutKeptCharacters);
  statusBar.addWidget(pixelReadout_, 1);
  dataSetField_ = new StatusField("DataSetField", StatusField::WholeText);
  stepsField_ = new StatusField("StepsField", StatusField::WholeText);
  zoomField_ = new StatusField("ZoomField", StatusField::WholeText);
  for (StatusField* field : {dataSetField_, stepsField_, zoomField_}) statusBar.addPermanentWidget(field);
  AddSpecialPixelLegend();
  compare_->Attach(statusBar);

  markSpecialPixels_ = &markItem;
  connect(&blinkButton, &QToolButton::pressed, this, [this] {
    blinkButtonHeld_ = true;
    RefreshBlink();
  });
  connect(&blinkButton, &QToolButton::released, this, [this] {
    blinkButtonHeld_ = false;
    RefreshBlink();
  });
  // B is the blink key wherever the focus is in the window.
  qApp->installEventFilter(this);
}

void FrameViews::AddSpecialPixelLegend() {
  specialPixelLegend_ = new QWidget;
  specialPixelLegend_->setObjectName("SpecialPixelLegend");
  auto* legend = new QHBoxLayout(specialPixelLegend_);
  legend->setContentsMargins(6, 0, 6, 0);
  legend->setSpacing(4);
  const std::pair<QColor, const char*> kinds[] = {
      {MissingPixelColor(), "missing"}, {SaturatedPixelColor(), "saturated"}, {ReplacedPixelColor(), "replaced"}};
  // The names ask for their whole room beside their colours and the counts
  // give way first; the legend's tool tip has everything.
  for (const auto& [color, name] : kinds) {
    legend->addWidget(ColorSwatch(color));
    auto* label = new StatusField("", StatusField::WholeText, StatusField::ToolTip::Group);
    label->setContentsMargins(0, 0, 0, 0);
    label->setText(name);
    legend->addWidget(label);
  }
  specialPixelCounts_ = new StatusField("SpecialPixelCounts", 0, StatusField::ToolTip::Group);
  specialPixelCounts_->setContentsMargins(4, 0, 0, 0);
  legend->addWidget(specialPixelCounts_);
  // Before the data set, step and zoom fields; after the readout, which is not permanent.
  statusBar_->insertPermanentWidget(1, specialPixelLegend_);
  specialPixelLegend_->hide();
}

// An image window that never appeared (or is gone) means no frame on screen.
bool FrameViews::FrameShown() const { return imageWindow_ && viewer_.FrameOnScreen(); }

void FrameViews::Refresh() {
  RefreshHistogram();
  measure_->Refresh();
  RefreshSpecialPixels();
  RefreshBlink();
  compare_->Refresh();
}

void FrameViews::RefreshHistogram() {
  HistogramView& view = *histogramDock_->View();
  if (!FrameShown() || histogramDock_->isHidden()) {
    view.SetPlot(std::nullopt);
    return;
  }
  view.SetPlot(PlotHistograms(viewer_.Document(), histogramDock_->Scale(), histogramDock_->ZeroBinChoice()));
}

void FrameViews::RefreshSpecialPixels() {
  const bool marking = markSpecialPixels_->isChecked() && FrameShown();
  if (!marking) {
    specialPixelLegend_->hide();
    specialPixelCounts_->clear();
    specialPixelLegend_->setToolTip("");
    if (imageWindow_) imageWindow_->Image()->SetSpecialPixelMask({});
    return;
  }
  const SpecialPixelMap map = FindSpecialPixels(viewer_.Document());
  const QString counts = QString::fromStdString(SpecialPixelStatusText(map.Counts));
  specialPixelCounts_->setText(counts);
  specialPixelLegend_->setToolTip("Special pixels marked: " + counts);
  imageWindow_->Image()->SetSpecialPixelMask(std::vector<std::uint8_t>(map.Screen.begin(), map.Screen.end()));
  specialPixelLegend_->show();
}

void FrameViews::RefreshStatusFields() {
  const bool frame = FrameShown();
  const FrameDocument& document = viewer_.Document();
  // A file that could not be read has no data set to name.
  const bool frameRead = frame && document.ReadError().empty();
  dataSetField_->setText(frameRead ? QString::fromStdString(DataSetName(document.Header().HeaderKind)) : "");
  stepsField_->setText(frame ? QString::fromStdString(StepsText(document.Steps())) : "");
  zoomField_->setText(frame ? QString::fromStdString(ZoomText(imageWindow_->Zoom())) : "");

  std::optional<PixelReadout> readout;
  if (frame)
    if (const std::optional<QPoint> pixel = imageWindow_->PointerPixel())
      readout = ReadoutAt(document, pixel->x(), pixel->y());
  if (frame && readout_) {
    const std::optional<QPoint> pixel = imageWindow_->PointerPixel();
    pixelReadout_->setText(pixel ? QString::fromStdString(readout_(pixel->x(), pixel->y())) : "");
  } else {
    pixelReadout_->setText(readout ? QString::fromStdString(ReadoutText(*readout)) : "");
  }
  measure_->PointerMoved();
}

void FrameViews::ShowInstead(QImage picture, const QString& badge) {
  instead_ = std::move(picture);
  insteadBadge_ = badge;
  RefreshBlink();
}

void FrameViews::SetReadout(ReadoutSource readout) {
  readout_ = std::move(readout);
  RefreshStatusFields();
}

void FrameViews::RefreshBlink() {
  if (!imageWindow_) return;
  if (!Blinking() || !FrameShown()) {
    if (FrameShown() && !instead_.isNull())
      imageWindow_->Image()->SetBlinkPicture(instead_, insteadBadge_);
    else
      imageWindow_->EndBlink();
    return;
  }
  try {
    imageWindow_->ShowBlink(viewer_.OriginalPicture().Bmp);
  } catch (const std::exception& error) {
    imageWindow_->EndBlink();
    statusBar_->showMessage(QString("Blink failed: %1").arg(QString::fromLocal8Bit(error.what())), NoticeMs);
  }
}

bool FrameViews::eventFilter(QObject* watched, QEvent* event) {
  const bool press = event->type() == QEvent::KeyPress, release = event->type() == QEvent::KeyRelease;
  if (press || release) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const auto* widget = qobject_cast<QWidget*>(watched);
    // A release ends the blink whatever modifier came since; a press with one is another key.
    const bool blinkKey = key->key() == Qt::Key_B && (release || key->modifiers() == Qt::NoModifier);
    if (blinkKey && widget && widget->window() == &window_ && FrameShown()) {
      if (!key->isAutoRepeat() && blinkKeyHeld_ != press) {
        blinkKeyHeld_ = press;
        RefreshBlink();
      }
      return true;
    }
  }
  // The release of a key held while the window loses the focus never comes here.
  if (event->type() == QEvent::ActivationChange && watched == &window_ && !window_.isActiveWindow() && blinkKeyHeld_) {
    blinkKeyHeld_ = false;
    RefreshBlink();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace vantorel
