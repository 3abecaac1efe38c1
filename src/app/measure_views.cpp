#include "app/measure_views.h"

#include <algorithm>
#include <string>

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include "viewer/viewer.h"

namespace vantorel {
namespace {

const QColor RawColor(150, 150, 150);
const QColor ShownColor(230, 120, 20);
const QColor MarkColor(0, 160, 220);
constexpr int StatisticRows = 8;
const char* const StatisticNames[StatisticRows] = {"count", "mean", "median",  "std",
                                                   "min",   "max",  "missing", "saturated"};
const char* const Hint = "Shift+drag on the picture draws a region, Ctrl+Shift+drag a profile line";

QString Text(const std::string& text) { return QString::fromStdString(text); }

QString Range(int first, int count) {
  return count > 1 ? QString("%1-%2").arg(first).arg(first + count - 1) : QString::number(first);
}

QDockWidget* NewDock(QMainWindow& window, const char* name, const char* title, QWidget* content) {
  auto* dock = new QDockWidget(title, &window);
  dock->setObjectName(name);
  dock->setWidget(content);
  window.addDockWidget(Qt::RightDockWidgetArea, dock);
  dock->hide();
  return dock;
}

// A table as tall as its rows (and a scroll bar across, where it may need
// one), never scrolled up and down: the docks' room goes to the plot.
void FitRows(QTableWidget& table, bool scrollsAcross) {
  const int rowHeight = table.fontMetrics().height() + 6;
  table.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table.verticalHeader()->setDefaultSectionSize(rowHeight);
  table.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table.setHorizontalScrollBarPolicy(scrollsAcross ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  const int across = scrollsAcross ? table.style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
  table.setFixedHeight(table.horizontalHeader()->sizeHint().height() + table.rowCount() * rowHeight +
                       2 * table.frameWidth() + across);
}

// The dock keeps to its content's height, so that the others take the rest.
void KeepHeight(QWidget& content) { content.setMaximumHeight(content.sizeHint().height()); }

QLabel* NewText(const char* name) {
  auto* label = new QLabel;
  label->setObjectName(name);
  label->setWordWrap(true);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

ProfilePlot::ProfilePlot(QWidget* parent) : QWidget(parent) {
  setObjectName("ProfilePlot");
  setMinimumSize(160, 100);
}

void ProfilePlot::SetProfile(std::optional<LineProfile> profile, std::optional<std::size_t> marked) {
  profile_ = std::move(profile);
  marked_ = marked;
  update();
}

void ProfilePlot::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Base));
  const QFontMetrics metrics(font());
  const int labelWidth = metrics.horizontalAdvance("255") + 6;
  const QRectF plot(labelWidth, metrics.height() + 8, width() - labelWidth - 8, height() - 2 * metrics.height() - 14);
  if (plot.width() <= 0 || plot.height() <= 0) return;
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(plot);
  painter.setPen(palette().color(QPalette::Text));
  for (const int level : {0, 128, 255}) {
    const double y = plot.bottom() - plot.height() * level / 255.0;
    painter.drawText(QRectF(0, y - metrics.height() / 2.0, labelWidth - 4, metrics.height()),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(level));
  }
  // The legend above the plot.
  double legendX = plot.left();
  for (const auto& [color, name] : {std::pair{RawColor, "raw"}, std::pair{ShownColor, "shown"}}) {
    painter.fillRect(QRectF(legendX, 4, 10, 10), color);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QPointF(legendX + 14, 4 + metrics.ascent() - 1), name);
    legendX += 24 + metrics.horizontalAdvance(name);
  }
  if (!profile_ || profile_->Points.empty()) return;
  const std::vector<ProfilePoint>& points = profile_->Points;
  const int lastIndex = std::max(1, points.back().Index);
  const auto xOf = [&](int index) { return plot.left() + plot.width() * index / lastIndex; };
  const auto yOf = [&](int level) { return plot.bottom() - plot.height() * level / 255.0; };
  painter.drawText(QRectF(plot.left(), plot.bottom() + 2, plot.width(), metrics.height()), Qt::AlignLeft,
                   QString("line %1, sample %2").arg(points.front().Line).arg(points.front().Sample));
  painter.drawText(QRectF(plot.left(), plot.bottom() + 2, plot.width(), metrics.height()), Qt::AlignRight,
                   QString("line %1, sample %2").arg(points.back().Line).arg(points.back().Sample));
  painter.setRenderHint(QPainter::Antialiasing);
  // Each series broken where it has no value, or where clipped steps left a gap.
  const auto series = [&](const QColor& color, std::optional<int> ProfilePoint::*value) {
    QPainterPath path;
    std::optional<int> previousIndex;
    for (const ProfilePoint& p : points) {
      const std::optional<int> v = p.*value;
      if (!v) {
        previousIndex.reset();
        continue;
      }
      const QPointF at(xOf(p.Index), yOf(*v));
      if (previousIndex && *previousIndex + 1 == p.Index)
        path.lineTo(at);
      else
        path.moveTo(at);
      previousIndex = p.Index;
    }
    painter.setPen(QPen(color, 1.5));
    painter.drawPath(path);
  };
  // The raw values on top: where both are 0 at a missing sample, the raw drop is the one to see.
  series(ShownColor, &ProfilePoint::Shown);
  series(RawColor, &ProfilePoint::Raw);
  if (marked_ && *marked_ < points.size()) {
    const double x = xOf(points[*marked_].Index);
    painter.setPen(QPen(MarkColor, 1, Qt::DashLine));
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
  }
}

MeasureViews::MeasureViews(QMainWindow& window, const Viewer& viewer, const QPointer<TChild>& imageWindow)
    : viewer_(viewer), imageWindow_(imageWindow) {
  // Statistics: the region, its table and Copy as CSV.
  auto* statistics = new QWidget;
  auto* statisticsLayout = new QVBoxLayout(statistics);
  regionText_ = NewText("RegionText");
  statisticsTable_ = new QTableWidget(StatisticRows, 2);
  statisticsTable_->setObjectName("StatisticsTable");
  statisticsTable_->setHorizontalHeaderLabels({"raw", "shown"});
  QStringList names;
  for (const char* name : StatisticNames) names << name;
  statisticsTable_->setVerticalHeaderLabels(names);
  statisticsTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  statisticsTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  for (int row = 0; row < StatisticRows; ++row)
    for (int column = 0; column < 2; ++column) {
      auto* item = new QTableWidgetItem;
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      statisticsTable_->setItem(row, column, item);
    }
  auto* copyStatistics = new QPushButton("Copy as CSV");
  copyStatistics->setObjectName("CopyStatistics");
  connect(copyStatistics, &QPushButton::clicked, this, [this] {
    if (region_ && FrameShown()) CopyText(StatisticsCsv(statistics_));
  });
  FitRows(*statisticsTable_, false);
  statisticsLayout->addWidget(regionText_);
  statisticsLayout->addWidget(statisticsTable_);
  statisticsLayout->addWidget(copyStatistics, 0, Qt::AlignRight);
  KeepHeight(*statistics);
  statisticsDock_ = NewDock(window, "StatisticsDock", "Statistics", statistics);

  // Profile: the line, its plot and Copy as CSV.
  auto* profile = new QWidget;
  auto* profileLayout = new QVBoxLayout(profile);
  profileText_ = NewText("ProfileText");
  plot_ = new ProfilePlot;
  auto* copyProfile = new QPushButton("Copy as CSV");
  copyProfile->setObjectName("CopyProfile");
  connect(copyProfile, &QPushButton::clicked, this, [this] {
    if (profileLine_ && FrameShown()) CopyText(ProfileCsv(profile_));
  });
  profileLayout->addWidget(profileText_);
  profileLayout->addWidget(plot_, 1);
  profileLayout->addWidget(copyProfile, 0, Qt::AlignRight);
  profileDock_ = NewDock(window, "ProfileDock", "Line Profile", profile);

  // Pixel table: raw or shown values round the pointer.
  auto* table = new QWidget;
  auto* tableLayout = new QVBoxLayout(table);
  auto* choice = new QHBoxLayout;
  pixelValues_ = new QComboBox;
  pixelValues_->setObjectName("PixelTableValues");
  pixelValues_->addItems({"Raw values", "Shown values"});
  pixelTableText_ = NewText("PixelTableText");
  choice->addWidget(pixelValues_);
  choice->addWidget(pixelTableText_, 1);
  pixelTable_ = new QTableWidget(PixelTableSide, PixelTableSide);
  pixelTable_->setObjectName("PixelTable");
  pixelTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  pixelTable_->setSelectionMode(QAbstractItemView::NoSelection);
  pixelTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  for (int row = 0; row < PixelTableSide; ++row)
    for (int column = 0; column < PixelTableSide; ++column) {
      auto* item = new QTableWidgetItem;
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      pixelTable_->setItem(row, column, item);
    }
  // The centre is the pointer's pixel.
  QTableWidgetItem* centre = pixelTable_->item(PixelTableSide / 2, PixelTableSide / 2);
  QFont bold = centre->font();
  bold.setBold(true);
  centre->setFont(bold);
  centre->setBackground(QColor(255, 210, 0, 110));
  connect(pixelValues_, &QComboBox::currentIndexChanged, this, &MeasureViews::RefreshPixelTable);
  FitRows(*pixelTable_, true);
  tableLayout->addLayout(choice);
  tableLayout->addWidget(pixelTable_);
  KeepHeight(*table);
  pixelTableDock_ = NewDock(window, "PixelTableDock", "Pixel Table", table);

  for (QDockWidget* dock : {statisticsDock_, profileDock_, pixelTableDock_})
    connect(dock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
      if (visible) Refresh();
    });
  Refresh();
}

bool MeasureViews::FrameShown() const { return imageWindow_ && viewer_.FrameOnScreen(); }

void MeasureViews::Attach(TChild& child) {
  ImageControl* image = child.Image();
  image->SetMeasureTool(tool_);
  connect(image, &ImageControl::RegionDrawn, this, &MeasureViews::RegionDrawn);
  connect(image, &ImageControl::ProfileDrawn, this, &MeasureViews::ProfileDrawn);
  connect(image, &ImageControl::PictureClicked, this, &MeasureViews::PictureClicked);
  frozenAt_.reset();
}

void MeasureViews::SetTool(MeasureTool tool) {
  tool_ = tool;
  if (imageWindow_) imageWindow_->Image()->SetMeasureTool(tool);
  // Choosing the other shape reshapes the region drawn.
  if (region_ && (tool == MeasureTool::Rectangle || tool == MeasureTool::Ellipse)) {
    region_->Shape = tool == MeasureTool::Ellipse ? RegionShape::Ellipse : RegionShape::Rectangle;
    SetRegion(region_);
  }
}

void MeasureViews::SetRegion(std::optional<FrameRegion> region) {
  region_ = region;
  RefreshStatistics();
  RefreshOverlays();
}

void MeasureViews::SetProfileLine(FramePoint from, FramePoint to) {
  profileLine_ = {from, to};
  RefreshProfile();
  RefreshOverlays();
}

void MeasureViews::Clear() {
  region_.reset();
  profileLine_.reset();
  Refresh();
}

bool MeasureViews::PixelTableShowsShown() const { return pixelValues_->currentIndex() == 1; }
void MeasureViews::SetPixelTableShowsShown(bool shown) { pixelValues_->setCurrentIndex(shown ? 1 : 0); }

void MeasureViews::Unfreeze() {
  frozenAt_.reset();
  RefreshPixelTable();
}

void MeasureViews::Refresh() {
  if (!FrameShown()) frozenAt_.reset();
  RefreshStatistics();
  RefreshProfile();
  RefreshOverlays();
  RefreshPixelTable();
}

void MeasureViews::PointerMoved() {
  if (!frozenAt_) RefreshPixelTable();
  if (profileDock_->isHidden() || !profileLine_ || !FrameShown()) return;
  std::optional<std::size_t> marked;
  if (const std::optional<QPoint> pixel = imageWindow_->PointerPixel())
    if (const std::optional<PixelReadout> readout = ReadoutAt(viewer_.Document(), pixel->x(), pixel->y()))
      marked = ProfilePointNear(profile_, readout->Position);
  if (marked != plot_->Marked()) plot_->SetProfile(profile_, marked);
}

void MeasureViews::RegionDrawn(QRect box, bool ellipse) {
  if (!FrameShown()) return;
  const FrameDocument& document = viewer_.Document();
  const PictureAxes axes = AxesOf(document.ActiveOptions(), document.LineCount());
  const std::optional<FrameRegion> region =
      RegionOfPictureBox({box.left(), box.top(), box.right(), box.bottom()},
                         ellipse ? RegionShape::Ellipse : RegionShape::Rectangle, axes);
  // A region dragged wholly off the picture stays where it last was.
  if (!region) return;
  statisticsDock_->show();
  SetRegion(region);
}

void MeasureViews::ProfileDrawn(QLine line) {
  if (!FrameShown()) return;
  const FrameDocument& document = viewer_.Document();
  const PictureAxes axes = AxesOf(document.ActiveOptions(), document.LineCount());
  const std::optional<FramePoint> from = FramePointOfPicture({line.x1(), line.y1()}, axes);
  const std::optional<FramePoint> to = FramePointOfPicture({line.x2(), line.y2()}, axes);
  if (!from || !to) return;
  profileDock_->show();
  SetProfileLine(*from, *to);
}

void MeasureViews::PictureClicked(QPoint pixel) {
  if (pixelTableDock_->isHidden()) return;
  if (frozenAt_) {
    frozenAt_.reset();
  } else if (FrameShown()) {
    if (const std::optional<PixelReadout> readout = ReadoutAt(viewer_.Document(), pixel.x(), pixel.y()))
      frozenAt_ = FramePoint{readout->Position.Line, readout->Position.Sample};
  }
  RefreshPixelTable();
}

void MeasureViews::RefreshStatistics() {
  const bool measured = region_ && FrameShown() && !statisticsDock_->isHidden();
  statistics_ = measured ? MeasureRegion(viewer_.Document(), *region_) : RegionStatistics{};
  if (!region_) {
    regionText_->setText(Hint);
  } else {
    const FrameRegion& r = *region_;
    QString text = QString("%1: lines %2, samples %3")
                       .arg(r.Shape == RegionShape::Ellipse ? "Ellipse" : "Rectangle", Range(r.FirstLine, r.Lines),
                            Range(r.FirstSample, r.Samples));
    if (!statistics_.Problem.empty()) text += " (" + Text(statistics_.Problem) + ")";
    regionText_->setText(text);
  }
  const auto number = [measured](const ValueStatistics& v, double value) {
    return measured && v.Count > 0 ? Text(DecimalText(value)) : QString();
  };
  for (int column = 0; column < 2; ++column) {
    const ValueStatistics& v = column == 0 ? statistics_.Raw : statistics_.Shown;
    const QString values[StatisticRows] = {
        measured ? QString::number(v.Count) : QString(),
        number(v, v.Mean),
        number(v, v.Median),
        number(v, v.StandardDeviation),
        number(v, v.Minimum),
        number(v, v.Maximum),
        measured && column == 0 ? QString::number(statistics_.Missing) : QString(),
        measured && column == 0 ? QString::number(statistics_.Saturated) : QString()};
    for (int row = 0; row < StatisticRows; ++row) statisticsTable_->item(row, column)->setText(values[row]);
  }
}

void MeasureViews::RefreshProfile() {
  const bool measured = profileLine_ && FrameShown() && !profileDock_->isHidden();
  profile_ = measured ? ProfileAlong(viewer_.Document(), profileLine_->first, profileLine_->second) : LineProfile{};
  if (!profileLine_) {
    profileText_->setText(Hint);
  } else {
    const auto& [from, to] = *profileLine_;
    QString text = QString("From line %1, sample %2 to line %3, sample %4")
                       .arg(from.Line)
                       .arg(from.Sample)
                       .arg(to.Line)
                       .arg(to.Sample);
    if (!profile_.Problem.empty()) text += " (" + Text(profile_.Problem) + ")";
    profileText_->setText(text);
  }
  plot_->SetProfile(measured ? std::optional(profile_) : std::nullopt, std::nullopt);
}

void MeasureViews::RefreshOverlays() {
  if (!imageWindow_) return;
  ImageControl& image = *imageWindow_->Image();
  if (!FrameShown()) {
    image.SetRegionOverlay(std::nullopt, false);
    image.SetProfileOverlay(std::nullopt);
    return;
  }
  const FrameDocument& document = viewer_.Document();
  const PictureAxes axes = AxesOf(document.ActiveOptions(), document.LineCount());
  std::optional<QRect> box;
  if (region_)
    if (const std::optional<PictureBox> b = PictureBoxOf(*region_, axes))
      box = QRect(QPoint(b->Left, b->Top), QPoint(b->Right, b->Bottom));
  image.SetRegionOverlay(box, region_ && region_->Shape == RegionShape::Ellipse);
  std::optional<QLine> line;
  if (profileLine_) {
    const std::optional<PicturePoint> from = PicturePointOf(profileLine_->first, axes);
    const std::optional<PicturePoint> to = PicturePointOf(profileLine_->second, axes);
    if (from && to) line = QLine(from->X, from->Y, to->X, to->Y);
  }
  image.SetProfileOverlay(line);
}

void MeasureViews::RefreshPixelTable() {
  if (pixelTableDock_->isHidden()) return;
  std::optional<QPoint> centre;
  if (FrameShown() && frozenAt_) {
    const FrameDocument& document = viewer_.Document();
    if (const auto pixel = PicturePointOf(*frozenAt_, AxesOf(document.ActiveOptions(), document.LineCount())))
      centre = QPoint(pixel->X, pixel->Y);
  } else if (FrameShown()) {
    centre = imageWindow_->PointerPixel();
  }
  std::optional<vantorel::PixelTable> table;
  if (centre) table = PixelTableAround(viewer_.Document(), centre->x(), centre->y());
  const bool shown = PixelTableShowsShown();
  for (int row = 0; row < PixelTableSide; ++row) {
    QString lineLabel;
    for (int column = 0; column < PixelTableSide; ++column) {
      const std::optional<PixelReadout>& cell =
          table ? (*table)[std::size_t(row * PixelTableSide + column)] : std::optional<PixelReadout>();
      pixelTable_->item(row, column)->setText(cell ? QString::number(shown ? cell->Shown : cell->Raw) : QString());
      if (cell) lineLabel = Range(cell->Position.Line, cell->Position.BlockSize);
    }
    pixelTable_->setVerticalHeaderItem(row, new QTableWidgetItem(lineLabel));
  }
  for (int column = 0; column < PixelTableSide; ++column) {
    QString sampleLabel;
    for (int row = 0; row < PixelTableSide && table && sampleLabel.isEmpty(); ++row)
      if (const auto& cell = (*table)[std::size_t(row * PixelTableSide + column)])
        sampleLabel = Range(cell->Position.Sample, cell->Position.BlockSize);
    pixelTable_->setHorizontalHeaderItem(column, new QTableWidgetItem(sampleLabel));
  }
  if (!table)
    pixelTableText_->setText("Move the pointer over the picture");
  else if (frozenAt_)
    pixelTableText_->setText("Frozen: click the picture or press Esc to follow the pointer");
  else
    pixelTableText_->setText("Rows are lines, columns samples; a click freezes the table");
}

void MeasureViews::CopyText(const std::string& text) { QGuiApplication::clipboard()->setText(Text(text)); }

}  // namespace vantorel
