#include "app/histogram_view.h"

#include <algorithm>
#include <iterator>

#include <QCheckBox>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace vantorel {

namespace {

constexpr int LastValue = HistogramBins - 1;
// Room around the plot for the value labels below and the curve's axis on the right.
constexpr int LeftMargin = 8;
constexpr int TopMargin = 8;
constexpr int RightMargin = 30;
constexpr int BottomMargin = 22;
constexpr QSize PreferredSize(300, 220);
constexpr QSize SmallestSize(180, 140);
constexpr int SwatchSize = 10;
constexpr int LegendGap = 4;

const QColor Background(0xfb, 0xfb, 0xfb);
const QColor FrameLine(0x80, 0x80, 0x80);
const QColor ShownBars(0x70, 0x70, 0x70);
const QColor RawLine(0xe0, 0x6c, 0x00);
const QColor CurveLine(0x1f, 0x5f, 0xd0);
const QColor LegendBackground(0xff, 0xff, 0xff, 0xe0);

struct LegendEntry {
  QColor color;
  const char* text;
  bool filled;
};

}  // namespace

HistogramView::HistogramView(QWidget* parent) : QWidget(parent) {
  setObjectName("HistogramView");
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void HistogramView::SetPlot(std::optional<HistogramPlot> plot) {
  if (plot == plot_) return;
  plot_ = std::move(plot);
  update();
}

QSize HistogramView::sizeHint() const { return PreferredSize; }
QSize HistogramView::minimumSizeHint() const { return SmallestSize; }

void HistogramView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Background);
  const QRectF area = QRectF(rect()).adjusted(LeftMargin, TopMargin, -RightMargin, -BottomMargin);
  if (area.width() <= 0 || area.height() <= 0) return;
  painter.setPen(FrameLine);
  painter.drawRect(area);
  if (!plot_) {
    painter.drawText(area, Qt::AlignCenter, "No frame");
    return;
  }

  const double binWidth = area.width() / HistogramBins;
  auto xOf = [&](int value) { return area.left() + value * binWidth; };
  auto yOf = [&](double height) { return area.bottom() - height * area.height(); };

  // The shown picture as filled bars.
  for (int value = 0; value < HistogramBins; ++value) {
    const double height = plot_->Shown[std::size_t(value)];
    if (height > 0)
      painter.fillRect(QRectF(QPointF(xOf(value), yOf(height)), QPointF(xOf(value + 1), area.bottom())), ShownBars);
  }

  painter.setRenderHint(QPainter::Antialiasing);
  // The raw samples as a stepped outline over the bars.
  QPainterPath raw;
  raw.moveTo(xOf(0), area.bottom());
  for (int value = 0; value < HistogramBins; ++value) {
    const double y = yOf(plot_->Raw[std::size_t(value)]);
    raw.lineTo(xOf(value), y);
    raw.lineTo(xOf(value + 1), y);
  }
  raw.lineTo(xOf(HistogramBins), area.bottom());
  painter.setPen(QPen(RawLine, 1.5));
  painter.drawPath(raw);

  // The transfer curve against its own 0..255 axis: raw value across, shown value up.
  QPainterPath curve;
  for (int value = 0; value < HistogramBins; ++value) {
    const QPointF point(xOf(value) + binWidth / 2, yOf(double(plot_->ToneCurve[std::size_t(value)]) / LastValue));
    if (value == 0)
      curve.moveTo(point);
    else
      curve.lineTo(point);
  }
  painter.setPen(QPen(CurveLine, 1.5, Qt::DashLine));
  painter.drawPath(curve);
  painter.setRenderHint(QPainter::Antialiasing, false);

  // Axes: raw and shown values below, the curve's shown value on the right.
  painter.setPen(palette().color(QPalette::WindowText));
  const QFontMetrics metrics = fontMetrics();
  const double labelTop = area.bottom() + 2;
  for (int value : {0, 128, LastValue}) {
    const QString text = QString::number(value);
    const double width = metrics.horizontalAdvance(text);
    const double left = std::clamp(xOf(value) + binWidth / 2 - width / 2, 0.0, double(this->width()) - width);
    painter.drawText(QPointF(left, labelTop + metrics.ascent()), text);
  }
  painter.setPen(CurveLine);
  painter.drawText(QPointF(area.right() + 3, area.top() + metrics.ascent()), QString::number(LastValue));
  painter.drawText(QPointF(area.right() + 3, area.bottom()), "0");

  // The legend, top left inside the plot.
  static const LegendEntry legend[] = {
      {ShownBars, "shown", true}, {RawLine, "raw", false}, {CurveLine, "tone curve", false}};
  double top = area.top() + LegendGap;
  const double left = area.left() + LegendGap;
  // On a box of its own, so that a tall bar under it does not garble the words.
  double legendWidth = 0;
  for (const LegendEntry& entry : legend)
    legendWidth = std::max(legendWidth, double(metrics.horizontalAdvance(entry.text)));
  const QRectF box(left - LegendGap / 2.0, top - LegendGap / 2.0, SwatchSize + 2 * LegendGap + legendWidth,
                   std::size(legend) * metrics.height() + LegendGap);
  painter.setPen(FrameLine);
  painter.setBrush(LegendBackground);
  painter.drawRect(box);
  painter.setBrush(Qt::NoBrush);
  for (const LegendEntry& entry : legend) {
    const QRectF swatch(left, top + (metrics.height() - SwatchSize) / 2.0, SwatchSize, SwatchSize);
    if (entry.filled) {
      painter.fillRect(swatch, entry.color);
    } else {
      painter.setPen(QPen(entry.color, 2));
      painter.drawLine(QPointF(swatch.left(), swatch.center().y()), QPointF(swatch.right(), swatch.center().y()));
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QPointF(swatch.right() + LegendGap, top + metrics.ascent()), entry.text);
    top += metrics.height();
  }
}

HistogramDock::HistogramDock(QWidget* parent)
    : QDockWidget("Histogram", parent), view_(new HistogramView), logarithmic_(new QCheckBox("Logarithmic counts")) {
  setObjectName("HistogramDock");
  setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
  logarithmic_->setObjectName("HistogramLogarithmic");
  logarithmic_->setToolTip("Counts on a logarithmic scale, so that rare values show");
  auto* content = new QWidget;
  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(view_, 1);
  layout->addWidget(logarithmic_);
  setWidget(content);
  connect(logarithmic_, &QCheckBox::toggled, this, &HistogramDock::ScaleChanged);
}

bool HistogramDock::Logarithmic() const { return logarithmic_->isChecked(); }
void HistogramDock::SetLogarithmic(bool logarithmic) { logarithmic_->setChecked(logarithmic); }

}  // namespace vantorel
