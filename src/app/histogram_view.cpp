#include "app/histogram_view.h"

#include <algorithm>
#include <iterator>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace vantorel {

namespace {

constexpr int LastValue = HistogramBins - 1;
constexpr QSize PreferredSize(300, 220);
constexpr QSize SmallestSize(180, 140);

// Every colour follows the palette, so that a dark one keeps the labels
// readable; the two lines take a lighter shade of their hue on a dark base.
struct PlotColors {
  QColor background, frame, text, shownBars, rawLine, curveLine;
};

PlotColors ColorsFor(const QPalette& palette) {
  const QColor base = palette.color(QPalette::Base), text = palette.color(QPalette::Text);
  const bool dark = base.lightnessF() < 0.5;
  // Halfway between the base and the text: apart from both on any palette.
  const QColor bars((base.red() + text.red()) / 2, (base.green() + text.green()) / 2, (base.blue() + text.blue()) / 2);
  return PlotColors{.background = base,
                    .frame = palette.color(QPalette::Mid),
                    .text = text,
                    .shownBars = bars,
                    .rawLine = dark ? QColor(0xff, 0xa0, 0x40) : QColor(0xe0, 0x6c, 0x00),
                    .curveLine = dark ? QColor(0x70, 0xa8, 0xff) : QColor(0x1f, 0x5f, 0xd0)};
}

QRectF ToRect(const PlotBox& box) { return QRectF(box.Left, box.Top, box.Width, box.Height); }

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
  const PlotColors colors = ColorsFor(palette());
  painter.fillRect(rect(), colors.background);
  const QFontMetricsF metrics(font());
  HistogramTextSizes sizes{.LineHeight = metrics.height(),
                           .ValueLabelWidth = metrics.horizontalAdvance(QString::number(LastValue)),
                           .LegendNameWidths = {}};
  for (std::size_t entry = 0; entry < sizes.LegendNameWidths.size(); ++entry)
    sizes.LegendNameWidths[entry] = metrics.horizontalAdvance(HistogramLegendNames[entry]);
  const HistogramLayout layout = LayOutHistogram(width(), height(), sizes);

  // The legend's swatches drawn as their series are: filled bars, a solid line, a dashed line.
  const struct {
    QColor color;
    bool filled;
    Qt::PenStyle line;
  } series[] = {{colors.shownBars, true, Qt::SolidLine},
                {colors.rawLine, false, Qt::SolidLine},
                {colors.curveLine, false, Qt::DashLine}};
  static_assert(std::size(series) == HistogramSeriesCount);
  for (std::size_t entry = 0; entry < layout.Legend.size(); ++entry) {
    const QRectF box = ToRect(layout.Legend[entry]);
    const QRectF swatch(box.left(), box.center().y() - LegendSwatchSize / 2, LegendSwatchSize, LegendSwatchSize);
    if (series[entry].filled) {
      painter.fillRect(swatch, series[entry].color);
    } else {
      painter.setPen(QPen(series[entry].color, 2, series[entry].line));
      painter.drawLine(QPointF(swatch.left(), swatch.center().y()), QPointF(swatch.right(), swatch.center().y()));
    }
    painter.setPen(colors.text);
    painter.drawText(box.adjusted(LegendSwatchSize + HistogramTextGap, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     HistogramLegendNames[entry]);
  }

  const QRectF area = ToRect(layout.Plot);
  if (area.width() <= 0 || area.height() <= 0) return;
  painter.setPen(colors.frame);
  painter.drawRect(area);
  if (!plot_) {
    painter.setPen(colors.text);
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
      painter.fillRect(QRectF(QPointF(xOf(value), yOf(height)), QPointF(xOf(value + 1), area.bottom())),
                       colors.shownBars);
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
  painter.setPen(QPen(colors.rawLine, 1.5));
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
  painter.setPen(QPen(colors.curveLine, 1.5, Qt::DashLine));
  painter.drawPath(curve);
  painter.setRenderHint(QPainter::Antialiasing, false);

  // Axes: raw and shown values below, the curve's shown value on the right.
  painter.setPen(colors.text);
  const double labelTop = area.bottom() + HistogramTextGap / 2;
  for (int value : {0, 128, LastValue}) {
    const QString text = QString::number(value);
    const double width = metrics.horizontalAdvance(text);
    const double left = std::clamp(xOf(value) + binWidth / 2 - width / 2, 0.0, double(this->width()) - width);
    painter.drawText(QPointF(left, labelTop + metrics.ascent()), text);
  }
  painter.setPen(colors.curveLine);
  const double axisLeft = area.right() + HistogramTextGap;
  painter.drawText(QPointF(axisLeft, area.top() + metrics.ascent()), QString::number(LastValue));
  painter.drawText(QPointF(axisLeft, area.bottom()), "0");
}

HistogramDock::HistogramDock(QWidget* parent)
    : QDockWidget("Histogram", parent),
      view_(new HistogramView),
      logarithmic_(new QCheckBox("Logarithmic counts")),
      skipZero_(new QCheckBox("Skip 0")) {
  setObjectName("HistogramDock");
  setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
  logarithmic_->setObjectName("HistogramLogarithmic");
  logarithmic_->setToolTip("Counts on a logarithmic scale, so that rare values show");
  skipZero_->setObjectName("HistogramSkipZero");
  skipZero_->setToolTip("Leave the count at 0 (black sky) out of the scale, so that the other values show");
  auto* content = new QWidget;
  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(view_, 1);
  auto* settings = new QHBoxLayout;
  settings->addWidget(logarithmic_);
  settings->addWidget(skipZero_);
  settings->addStretch(1);
  layout->addLayout(settings);
  setWidget(content);
  for (QCheckBox* box : {logarithmic_, skipZero_}) {
    connect(box, &QCheckBox::toggled, this, &HistogramDock::ScaleChanged);
    // Only a click or a key is the user's; the setters are not.
    connect(box, &QCheckBox::clicked, this, &HistogramDock::ScaleSettingsEdited);
  }
}

bool HistogramDock::LogScale() const { return logarithmic_->isChecked(); }
void HistogramDock::SetLogScale(bool on) { logarithmic_->setChecked(on); }
bool HistogramDock::SkipZero() const { return skipZero_->isChecked(); }
void HistogramDock::SetSkipZero(bool on) { skipZero_->setChecked(on); }

}  // namespace vantorel
