#include "app/histogram_view.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <tuple>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace vantorel {

namespace {

constexpr int LastValue = HistogramBins - 1;
constexpr QSize PreferredSize(300, 220);
constexpr QSize SmallestSize(180, 140);
constexpr double ColorBarHeight = 8;
// How near a marker a press must be to take it.
constexpr double MarkerReach = 5;

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

HistogramTextSizes TextSizes(const QFontMetricsF& metrics) {
  HistogramTextSizes sizes{.LineHeight = metrics.height(),
                           .ValueLabelWidth = metrics.horizontalAdvance(QString::number(LastValue)),
                           .LegendNameWidths = {}};
  for (std::size_t entry = 0; entry < sizes.LegendNameWidths.size(); ++entry)
    sizes.LegendNameWidths[entry] = metrics.horizontalAdvance(HistogramLegendNames[entry]);
  return sizes;
}

template <typename Choice, std::size_t Count>
void AddChoices(QComboBox& box, const std::array<ChoiceName<Choice>, Count>& names) {
  for (const ChoiceName<Choice>& name : names)
    box.addItem(QString::fromUtf8(name.Label.data(), qsizetype(name.Label.size())), int(name.Value));
}

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

QRectF HistogramView::PlotArea() const {
  return ToRect(LayOutHistogram(width(), height(), TextSizes(QFontMetricsF(font()))).Plot);
}

QRectF HistogramView::BarArea() const { return PlotArea().adjusted(0, 0, 0, -ColorBarHeight); }

QRectF HistogramView::ColorBarArea() const {
  const QRectF area = PlotArea();
  return QRectF(area.left(), area.bottom() - ColorBarHeight, area.width(), ColorBarHeight);
}

double HistogramView::XOfLevel(double level) const {
  const QRectF area = PlotArea();
  return area.left() + (level + 0.5) * area.width() / HistogramBins;
}

int HistogramView::LevelAtX(double x) const {
  const QRectF area = PlotArea();
  if (area.width() <= 0) return 0;
  return std::clamp(int(std::floor((x - area.left()) * HistogramBins / area.width())), 0, LastValue);
}

HistogramView::Marker HistogramView::MarkerAt(QPointF point) const {
  if (!plot_ || !plot_->Limits || !PlotArea().adjusted(-MarkerReach, 0, MarkerReach, 0).contains(point))
    return Marker::None;
  const double low = std::abs(point.x() - XOfLevel(plot_->Limits->Low));
  const double high = std::abs(point.x() - XOfLevel(plot_->Limits->High));
  if (std::min(low, high) > MarkerReach) return Marker::None;
  // Markers on one level: dragging right takes the high one, which is what moves apart.
  return high <= low ? Marker::High : Marker::Low;
}

void HistogramView::mousePressEvent(QMouseEvent* event) {
  dragged_ = event->button() == Qt::LeftButton ? MarkerAt(event->position()) : Marker::None;
  if (dragged_ == Marker::None) QWidget::mousePressEvent(event);
}

void HistogramView::mouseMoveEvent(QMouseEvent* event) {
  if (dragged_ == Marker::None || !plot_ || !plot_->Limits) {
    setCursor(MarkerAt(event->position()) != Marker::None ? Qt::SizeHorCursor : Qt::ArrowCursor);
    return;
  }
  const int level = LevelAtX(event->position().x());
  ScaleLimits limits = *plot_->Limits;
  // A marker stops a level short of the other: the limits keep a width.
  if (dragged_ == Marker::Low)
    limits.Low = std::min<double>(level, std::ceil(limits.High) - 1);
  else
    limits.High = std::max<double>(level, std::floor(limits.Low) + 1);
  limits.Low = std::max(0.0, limits.Low);
  limits.High = std::min(double(LastValue), limits.High);
  if (limits != *plot_->Limits) emit LimitsDragged(limits);
}

void HistogramView::mouseReleaseEvent(QMouseEvent* event) {
  dragged_ = Marker::None;
  QWidget::mouseReleaseEvent(event);
}

void HistogramView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const PlotColors colors = ColorsFor(palette());
  painter.fillRect(rect(), colors.background);
  const QFontMetricsF metrics(font());
  const HistogramLayout layout = LayOutHistogram(width(), height(), TextSizes(metrics));

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
  const QRectF bars = BarArea();
  auto xOf = [&](int value) { return area.left() + value * binWidth; };
  auto yOf = [&](double height) { return bars.bottom() - height * bars.height(); };

  // What each level shows, under the bars.
  const QRectF colorBar = ColorBarArea();
  for (int value = 0; value < HistogramBins; ++value) {
    const Rgb color = plot_->ColorBar[std::size_t(value)];
    painter.fillRect(QRectF(QPointF(xOf(value), colorBar.top()), QPointF(xOf(value + 1), colorBar.bottom())),
                     QColor(color.red, color.green, color.blue));
  }

  // The shown picture as filled bars.
  for (int value = 0; value < HistogramBins; ++value) {
    const double height = plot_->Shown[std::size_t(value)];
    if (height > 0)
      painter.fillRect(QRectF(QPointF(xOf(value), yOf(height)), QPointF(xOf(value + 1), bars.bottom())),
                       colors.shownBars);
  }

  painter.setRenderHint(QPainter::Antialiasing);
  // The raw samples as a stepped outline over the bars.
  QPainterPath raw;
  raw.moveTo(xOf(0), bars.bottom());
  for (int value = 0; value < HistogramBins; ++value) {
    const double y = yOf(plot_->Raw[std::size_t(value)]);
    raw.lineTo(xOf(value), y);
    raw.lineTo(xOf(value + 1), y);
  }
  raw.lineTo(xOf(HistogramBins), bars.bottom());
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

  // The display scale's limits: a line over the plot with a handle on top and its level.
  if (plot_->Limits) {
    for (const double limit : {plot_->Limits->Low, plot_->Limits->High}) {
      const double x = XOfLevel(limit);
      painter.setPen(QPen(colors.text, 1.5));
      painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
      painter.setBrush(colors.text);
      const QPointF handle[] = {{x - 4, area.top()}, {x + 4, area.top()}, {x, area.top() + 6}};
      painter.drawPolygon(handle, 3);
      painter.setBrush(Qt::NoBrush);
      const QString text = QString::number(limit, 'g', 4);
      const double textWidth = metrics.horizontalAdvance(text);
      const bool left = limit == plot_->Limits->Low;
      const double textLeft = std::clamp(left ? x - textWidth - 3 : x + 3, area.left(), area.right() - textWidth);
      painter.drawText(QPointF(textLeft, area.top() + 6 + metrics.ascent()), text);
    }
  }

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
      skipZero_(new QCheckBox("Skip 0")),
      scaleMode_(new QComboBox),
      scaleCurve_(new QComboBox),
      percentLabel_(new QLabel("%")),
      lowPercent_(new QDoubleSpinBox),
      highPercent_(new QDoubleSpinBox) {
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

  scaleMode_->setObjectName("DisplayScaleMode");
  scaleMode_->setToolTip("Display scale: the levels stretched between limits found over the picture's samples");
  AddChoices(*scaleMode_, ScaleModeNames);
  scaleCurve_->setObjectName("DisplayScaleCurve");
  scaleCurve_->setToolTip("The curve between the limits");
  AddChoices(*scaleCurve_, ScaleCurveNames);
  for (auto [box, name, value, tip] :
       {std::tuple{lowPercent_, "DisplayLowPercent", DefaultLowPercent, "Percentile shown black"},
        std::tuple{highPercent_, "DisplayHighPercent", DefaultHighPercent, "Percentile shown white"}}) {
    box->setObjectName(name);
    box->setToolTip(tip);
    box->setRange(0, 100);
    box->setDecimals(1);
    box->setSingleStep(0.5);
    box->setValue(value);
    box->setKeyboardTracking(false);
  }
  auto* scale = new QHBoxLayout;
  scale->addWidget(new QLabel("Scale"));
  scale->addWidget(scaleMode_);
  scale->addWidget(scaleCurve_);
  scale->addWidget(lowPercent_);
  scale->addWidget(highPercent_);
  scale->addWidget(percentLabel_);
  scale->addStretch(1);
  layout->addLayout(scale);
  ShowPercentiles();
  setWidget(content);
  connect(scaleMode_, &QComboBox::activated, this, [this] {
    ShowPercentiles();
    emit DisplayScaleEdited();
  });
  connect(scaleCurve_, &QComboBox::activated, this, &HistogramDock::DisplayScaleEdited);
  for (QDoubleSpinBox* box : {lowPercent_, highPercent_})
    connect(box, &QDoubleSpinBox::valueChanged, this, [this] {
      if (lowPercent_->value() < highPercent_->value()) emit DisplayScaleEdited();
    });
  for (QCheckBox* box : {logarithmic_, skipZero_}) {
    connect(box, &QCheckBox::toggled, this, &HistogramDock::ScaleChanged);
    // Only a click or a key is the user's; the setters are not.
    connect(box, &QCheckBox::clicked, this, &HistogramDock::ScaleSettingsEdited);
  }
}

void HistogramDock::ShowPercentiles() {
  const bool percentile = ScaleMode(scaleMode_->currentData().toInt()) == ScaleMode::Percentile;
  for (QWidget* widget : std::initializer_list<QWidget*>{lowPercent_, highPercent_, percentLabel_})
    widget->setVisible(percentile);
  scaleCurve_->setEnabled(ScaleMode(scaleMode_->currentData().toInt()) != ScaleMode::None);
}

DisplaySettings HistogramDock::ChosenScale() const {
  DisplaySettings display;
  display.Mode = ScaleMode(scaleMode_->currentData().toInt());
  display.Curve = ScaleCurve(scaleCurve_->currentData().toInt());
  display.LowPercent = lowPercent_->value();
  display.HighPercent = highPercent_->value();
  return display;
}

void HistogramDock::ShowScale(const DisplaySettings& display) {
  for (QWidget* widget : std::initializer_list<QWidget*>{scaleMode_, scaleCurve_, lowPercent_, highPercent_})
    widget->blockSignals(true);
  scaleMode_->setCurrentIndex(scaleMode_->findData(int(display.Mode)));
  scaleCurve_->setCurrentIndex(scaleCurve_->findData(int(display.Curve)));
  lowPercent_->setValue(display.LowPercent);
  highPercent_->setValue(display.HighPercent);
  for (QWidget* widget : std::initializer_list<QWidget*>{scaleMode_, scaleCurve_, lowPercent_, highPercent_})
    widget->blockSignals(false);
  ShowPercentiles();
}

bool HistogramDock::LogScale() const { return logarithmic_->isChecked(); }
void HistogramDock::SetLogScale(bool on) { logarithmic_->setChecked(on); }
bool HistogramDock::SkipZero() const { return skipZero_->isChecked(); }
void HistogramDock::SetSkipZero(bool on) { skipZero_->setChecked(on); }

}  // namespace vantorel
