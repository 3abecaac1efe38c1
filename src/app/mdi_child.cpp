#include "app/mdi_child.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <utility>

#include <QBoxLayout>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include "app/special_pixel_layer.h"
#include "frames/frame_layout.h"
#include "viewer/zoom.h"

namespace vantorel {

namespace {

constexpr QSize PictureSize(PictureSamples, FrameLines);  // 832 x 700
constexpr QSize NormalWindowSize(812, 612);
// One notch of a common mouse wheel, in eighths of a degree.
constexpr int WheelNotch = 120;
constexpr int BadgeMargin = 8;  // from the viewport's corner
// How near (screen pixels) a press must be to a handle or a line's end to take it.
constexpr double HandleReach = 6;
constexpr double HandleSide = 6;
const QColor RegionColor(255, 210, 0);
const QColor ProfileColor(0, 230, 255);

// The eight handles of a rectangle, from the top left clockwise.
std::array<QPointF, 8> HandlePoints(const QRectF& r) {
  const QPointF c = r.center();
  return {r.topLeft(),     QPointF(c.x(), r.top()),    r.topRight(),   QPointF(r.right(), c.y()),
          r.bottomRight(), QPointF(c.x(), r.bottom()), r.bottomLeft(), QPointF(r.left(), c.y())};
}

// The pixels from one corner pixel to the other, whichever way round.
QRect BoxBetween(QPoint a, QPoint b) {
  return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
               QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

bool Near(QPointF a, QPointF b) {
  return std::abs(a.x() - b.x()) <= HandleReach && std::abs(a.y() - b.y()) <= HandleReach;
}

std::uint32_t LittleEndianAt(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[at + std::size_t(i)];
  return value;
}

// The header fields the pixel rows depend on, as the composition writes them.
bool IsComposedBmp(const std::vector<std::uint8_t>& bmp) {
  return bmp.size() >= BmpFileBytes && bmp[0] == 'B' && bmp[1] == 'M' &&
         LittleEndianAt(bmp, 10, 4) == std::uint32_t(BmpHeaderBytes) &&
         LittleEndianAt(bmp, 18, 4) == std::uint32_t(PictureSamples) &&
         LittleEndianAt(bmp, 22, 4) == std::uint32_t(FrameLines) && LittleEndianAt(bmp, 28, 2) == 24 &&
         LittleEndianAt(bmp, 30, 4) == 0;
}

// The picture straight from the BMP's rows (bottom-up, blue-green-red) into the
// format the screen is painted in, so that no paint has to convert it. Four
// pixels are twelve bytes, three words: each pixel is a shift and a mask away.
// The pixels go into `reuse` when nothing else holds them: a fresh image of
// this size costs more in page faults than the conversion itself.
QImage PictureFromBmp(const std::vector<std::uint8_t>& bmp, QImage reuse) {
  static_assert(PictureSamples % 4 == 0 && std::endian::native == std::endian::little);
  constexpr std::uint32_t Opaque = 0xff000000u;
  const bool reusable = reuse.size() == PictureSize && reuse.format() == QImage::Format_RGB32 && reuse.isDetached();
  QImage picture = reusable ? std::move(reuse) : QImage(PictureSize, QImage::Format_RGB32);
  if (picture.isNull()) throw std::runtime_error("no memory for the picture");
  for (int y = 0; y < FrameLines; ++y) {
    const std::uint8_t* from = bmp.data() + BmpHeaderBytes + std::size_t(FrameLines - 1 - y) * BmpRowBytes;
    auto* to = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < PictureSamples; x += 4, from += 12) {
      std::uint32_t w[3];
      std::memcpy(w, from, sizeof w);
      to[x] = Opaque | (w[0] & 0xffffffu);
      to[x + 1] = Opaque | w[0] >> 24 | (w[1] & 0xffffu) << 8;
      to[x + 2] = Opaque | w[1] >> 16 | (w[2] & 0xffu) << 16;
      to[x + 3] = Opaque | w[2] >> 8;
    }
  }
  return picture;
}

// The picture shrunk by a whole factor, each screen pixel the rounded mean of
// the block it stands for: the halving zoom steps, several times quicker than
// a general smooth scaling. Red and blue are summed side by side in one word,
// green in another: a block's sums stay far below the 16 bits each has.
template <int Factor>
QImage ShrunkByBlocks(const QImage& picture) {
  static_assert(Factor == 2 || Factor == 4);
  constexpr int Shift = Factor == 2 ? 2 : 4;  // log2 of the block's pixels
  constexpr std::uint32_t Lanes = 0x00ff00ff, Half = (1u << (Shift - 1)) * 0x00010001u;
  QImage shrunk(picture.width() / Factor, picture.height() / Factor, QImage::Format_RGB32);
  for (int y = 0; y < shrunk.height(); ++y) {
    const QRgb* rows[Factor];
    for (int dy = 0; dy < Factor; ++dy)
      rows[dy] = reinterpret_cast<const QRgb*>(picture.constScanLine(y * Factor + dy));
    auto* out = reinterpret_cast<QRgb*>(shrunk.scanLine(y));
    for (int x = 0; x < shrunk.width(); ++x) {
      std::uint32_t redBlue = Half, green = Half;
      for (int dy = 0; dy < Factor; ++dy)
        for (int dx = 0; dx < Factor; ++dx) {
          const QRgb pixel = rows[dy][x * Factor + dx];
          redBlue += pixel & Lanes;
          green += (pixel >> 8) & Lanes;
        }
      out[x] = 0xff000000u | ((redBlue >> Shift) & Lanes) | (((green >> Shift) & 0xffu) << 8);
    }
  }
  return shrunk;
}

// The exposed part of a magnified picture, each screen pixel a copy of the
// picture pixel it falls in: sharp at any factor, fitted ones included.
QImage Magnified(const QImage& picture, QRect exposed, double zoom) {
  const QImage source = picture.depth() == 32 ? picture : picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QImage part(exposed.size(), source.format());
  std::vector<int> columns(std::size_t(exposed.width()));
  for (int x = 0; x < exposed.width(); ++x)
    columns[std::size_t(x)] = std::clamp(UnzoomedPixel(exposed.left() + x, zoom), 0, source.width() - 1);
  for (int y = 0; y < exposed.height(); ++y) {
    const int row = std::clamp(UnzoomedPixel(exposed.top() + y, zoom), 0, source.height() - 1);
    const auto* from = reinterpret_cast<const QRgb*>(source.constScanLine(row));
    auto* to = reinterpret_cast<QRgb*>(part.scanLine(y));
    for (int x = 0; x < exposed.width(); ++x) to[x] = from[columns[std::size_t(x)]];
  }
  return part;
}

QImage Shrunk(const QImage& picture, QSize size, double zoom) {
  static_assert(PictureSamples % 4 == 0 && FrameLines % 4 == 0);
  if (zoom == 0.5) return ShrunkByBlocks<2>(picture);
  if (zoom == 0.25) return ShrunkByBlocks<4>(picture);
  return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

ImageControl::ImageControl(QWidget* parent) : QWidget(parent) {
  setObjectName("Image");
  setFixedSize(PictureSize);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

void ImageControl::SetPicture(QImage picture) {
  picture_ = std::move(picture);
  if (!Blinking()) shrunk_ = QImage();
  update();
}

void ImageControl::SetBlinkPicture(QImage picture, const QString& badge) {
  if (picture.isNull() && blinkPicture_.isNull()) return;
  blinkPicture_ = std::move(picture);
  if (badge != badge_) update(BadgeRect());
  badge_ = badge;
  shrunk_ = QImage();
  update();
}

void ImageControl::SetSpecialPixelMask(std::vector<std::uint8_t> mask) {
  if (mask == specialPixelMask_) return;
  specialPixelMask_ = std::move(mask);
  specialPixelLayer_ = QImage();
  update();
}

void ImageControl::SetZoom(double zoom) {
  if (zoom == zoom_) return;
  zoom_ = zoom;
  shrunk_ = QImage();
  specialPixelLayer_ = QImage();
  setFixedSize(ZoomedExtent(PictureSamples, zoom), ZoomedExtent(FrameLines, zoom));
  update();
}

std::optional<QPoint> ImageControl::PicturePixelAt(QPoint point) const {
  const int x = UnzoomedPixel(point.x(), zoom_), y = UnzoomedPixel(point.y(), zoom_);
  if (x < 0 || y < 0 || x >= PictureSamples || y >= FrameLines) return std::nullopt;
  return QPoint(x, y);
}

void ImageControl::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect exposed = event->rect();
  const QImage& shown = ShownPicture();
  if (shown.isNull()) {
    painter.fillRect(exposed, Qt::black);
    return;
  }
  // Shrunk once per picture and zoom, smoothed; each paint then only copies.
  if (zoom_ < 1 && shrunk_.size() != size()) shrunk_ = Shrunk(shown, size(), zoom_);
  PaintPicture(painter, shown, shrunk_, exposed);
  paintedBadge_ = BadgeRect();
  if (Blinking()) PaintBadge(painter);
  if (!specialPixelMask_.empty() && !Blinking()) {
    // The marks are a layer of their own: Picture(), which Save As and Print
    // use, never carries them.
    if (specialPixelLayer_.isNull())
      specialPixelLayer_ = SpecialPixelLayer(specialPixelMask_, PictureSize, zoom_ < 1 ? size() : PictureSize);
    if (!specialPixelLayer_.isNull()) PaintPicture(painter, specialPixelLayer_, specialPixelLayer_, exposed);
  }
  PaintOverlays(painter);
}

void ImageControl::SetRegionOverlay(std::optional<QRect> box, bool ellipse) {
  if (box == regionBox_ && ellipse == regionEllipse_) return;
  regionBox_ = box;
  regionEllipse_ = ellipse;
  update();
}

void ImageControl::SetProfileOverlay(std::optional<QLine> line) {
  if (line == profileLine_) return;
  profileLine_ = line;
  update();
}

QPoint ImageControl::PixelAt(QPointF point) const {
  return QPoint(UnzoomedPixel(int(std::floor(point.x())), zoom_), UnzoomedPixel(int(std::floor(point.y())), zoom_));
}

QRectF ImageControl::ScreenRect(QRect box) const {
  return QRectF(QPointF(box.left() * zoom_, box.top() * zoom_),
                QPointF((box.right() + 1) * zoom_, (box.bottom() + 1) * zoom_));
}

QPointF ImageControl::PixelCentre(QPoint pixel) const {
  return QPointF((pixel.x() + 0.5) * zoom_, (pixel.y() + 0.5) * zoom_);
}

void ImageControl::PaintOverlays(QPainter& painter) const {
  if (!regionBox_ && !profileLine_) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(Qt::NoBrush);
  // A dark edge under each stroke keeps it seen on bright and dark ground alike.
  const auto stroke = [&painter](const QColor& color, const auto& draw) {
    painter.setPen(QPen(QColor(0, 0, 0, 170), 3));
    draw();
    painter.setPen(QPen(color, 1.5));
    draw();
  };
  if (regionBox_) {
    const QRectF r = ScreenRect(*regionBox_);
    stroke(RegionColor, [&] {
      if (regionEllipse_)
        painter.drawEllipse(r);
      else
        painter.drawRect(r);
    });
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(RegionColor);
    for (const QPointF& handle : HandlePoints(r))
      painter.drawRect(QRectF(handle - QPointF(HandleSide / 2, HandleSide / 2), QSizeF(HandleSide, HandleSide)));
    painter.setBrush(Qt::NoBrush);
  }
  if (profileLine_) {
    const QLineF line(PixelCentre(profileLine_->p1()), PixelCentre(profileLine_->p2()));
    stroke(ProfileColor, [&] { painter.drawLine(line); });
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(ProfileColor);
    for (const QPointF& end : {line.p1(), line.p2()}) painter.drawEllipse(end, HandleSide / 2, HandleSide / 2);
  }
  painter.restore();
}

ImageControl::Edit ImageControl::EditAt(QPointF point, Qt::KeyboardModifiers modifiers, int& handle) const {
  if (profileLine_) {
    if (Near(point, PixelCentre(profileLine_->p2()))) return Edit::LineEnd;
    if (Near(point, PixelCentre(profileLine_->p1()))) return Edit::LineStart;
  }
  if (regionBox_) {
    const QRectF r = ScreenRect(*regionBox_);
    const std::array<QPointF, 8> handles = HandlePoints(r);
    for (int i = 0; i < int(handles.size()); ++i)
      if (Near(point, handles[std::size_t(i)])) {
        handle = i;
        return Edit::Resize;
      }
    if (r.contains(point) && !(modifiers & Qt::ShiftModifier)) return Edit::Move;
  }
  return tool_ != MeasureTool::None || (modifiers & Qt::ShiftModifier) ? Edit::Draw : Edit::None;
}

void ImageControl::ContinueEdit(QPoint pixel) {
  const QPoint by = pixel - editStart_;
  switch (edit_) {
    case Edit::Draw:
      if (editTool_ == MeasureTool::Line)
        emit ProfileDrawn(QLine(editStart_, pixel));
      else
        emit RegionDrawn(BoxBetween(editStart_, pixel), editTool_ == MeasureTool::Ellipse);
      break;
    case Edit::Move: emit RegionDrawn(editBox_.translated(by), editEllipse_); break;
    case Edit::Resize: {
      // Corners move both of their edges, the middles of the sides one.
      int left = editBox_.left(), top = editBox_.top(), right = editBox_.right(), bottom = editBox_.bottom();
      if (editHandle_ == 0 || editHandle_ == 6 || editHandle_ == 7) left += by.x();
      if (editHandle_ >= 2 && editHandle_ <= 4) right += by.x();
      if (editHandle_ <= 2) top += by.y();
      if (editHandle_ >= 4 && editHandle_ <= 6) bottom += by.y();
      emit RegionDrawn(BoxBetween(QPoint(left, top), QPoint(right, bottom)), editEllipse_);
      break;
    }
    case Edit::LineStart: emit ProfileDrawn(QLine(editLine_.p1() + by, editLine_.p2())); break;
    case Edit::LineEnd: emit ProfileDrawn(QLine(editLine_.p1(), editLine_.p2() + by)); break;
    case Edit::None: break;
  }
}

void ImageControl::PaintPicture(QPainter& painter, const QImage& picture, const QImage& shrunk, QRect exposed) const {
  if (zoom_ == 1) {
    painter.drawImage(exposed.topLeft(), picture, exposed);
  } else if (zoom_ < 1) {
    painter.drawImage(exposed.topLeft(), shrunk, exposed);
  } else {
    const QRect part = exposed & rect();
    if (!part.isEmpty()) painter.drawImage(part.topLeft(), Magnified(picture, part, zoom_));
  }
}

QRect ImageControl::VisibleRect() const {
  const QWidget* viewport = parentWidget();
  return viewport ? rect() & QRect(mapFromParent(QPoint(0, 0)), viewport->size()) : rect();
}

QRect ImageControl::BadgeRect() const {
  if (!Blinking()) return {};
  const QFontMetrics metrics(font());
  const QSize padding(metrics.height() / 2, metrics.height() / 4);
  const QSize text = metrics.size(Qt::TextSingleLine, badge_);
  return QRect(VisibleRect().topLeft() + QPoint(BadgeMargin, BadgeMargin), text + 2 * padding);
}

void ImageControl::PaintBadge(QPainter& painter) const {
  const QRect badge = BadgeRect();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(palette().color(QPalette::Highlight));
  const qreal radius = badge.height() / 4.0;
  painter.drawRoundedRect(badge, radius, radius);
  painter.setPen(palette().color(QPalette::HighlightedText));
  painter.drawText(badge, Qt::AlignCenter, badge_);
  painter.restore();
}

void ImageControl::ViewportMoved() {
  // The scroll moved the painted badge along with the picture.
  if (!paintedBadge_.isNull()) update(paintedBadge_);
  if (Blinking()) update(BadgeRect());
}

bool ImageControl::Pannable() const {
  const QWidget* viewport = parentWidget();
  return viewport && (width() > viewport->width() || height() > viewport->height());
}

void ImageControl::SetSpaceHeld(bool held) {
  spaceHeld_ = held;
  UpdateCursor();
}

void ImageControl::UpdateCursor() {
  if (!Pannable())
    unsetCursor();
  else
    setCursor(dragging_ || spaceHeld_ ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
}

void ImageControl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  const QPointF at = event->position();
  pressPixel_ = PixelAt(at);
  pressMoved_ = false;
  edit_ = spaceHeld_ ? Edit::None : EditAt(at, event->modifiers(), editHandle_);
  editStart_ = *pressPixel_;
  if (regionBox_) editBox_ = *regionBox_;
  if (profileLine_) editLine_ = *profileLine_;
  editEllipse_ = regionEllipse_;
  if (edit_ == Edit::Draw) {
    const bool control = event->modifiers() & Qt::ControlModifier;
    editTool_ = tool_ != MeasureTool::None ? tool_ : control ? MeasureTool::Line : MeasureTool::Rectangle;
  }
  if (edit_ == Edit::None && Pannable()) {
    dragging_ = true;
    pointerInParent_ = mapToParent(at.toPoint());
    UpdateCursor();
  }
  event->accept();
}

void ImageControl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressPixel_) return QWidget::mouseReleaseEvent(event);
  const QPoint pixel = *std::exchange(pressPixel_, std::nullopt);
  const bool clicked = !pressMoved_;
  dragging_ = false;
  edit_ = Edit::None;
  UpdateCursor();
  event->accept();
  if (clicked && rect().contains(event->position().toPoint())) emit PictureClicked(pixel);
}

void ImageControl::UpdatePointerPixel() {
  if (pointerInParent_) SetPointerPixel(PicturePixelAt(mapFromParent(*pointerInParent_)));
}

void ImageControl::mouseMoveEvent(QMouseEvent* event) {
  // Where the pointer is in the viewport, which stays put while the control pans.
  const QPoint at = mapToParent(event->position().toPoint());
  const std::optional<QPoint> from = std::exchange(pointerInParent_, at);
  if (from && *from != at && (dragging_ || spaceHeld_) && Pannable()) emit Dragged(at - *from);
  if (pressPixel_ && (event->buttons() & Qt::LeftButton)) {
    const QPoint pixel = PixelAt(event->position());
    if (pixel != editStart_ || pressMoved_) {
      pressMoved_ = true;
      ContinueEdit(pixel);
    }
  }
  UpdatePointerPixel();
  UpdateCursor();
  QWidget::mouseMoveEvent(event);
}

void ImageControl::leaveEvent(QEvent* event) {
  pointerInParent_.reset();
  SetPointerPixel(std::nullopt);
  QWidget::leaveEvent(event);
}

void ImageControl::SetPointerPixel(std::optional<QPoint> pixel) {
  if (pixel == pointerPixel_) return;
  pointerPixel_ = pixel;
  emit PointerPixelChanged();
}

void PictureScrollArea::wheelEvent(QWheelEvent* event) {
  if (!(event->modifiers() & Qt::ControlModifier)) return QScrollArea::wheelEvent(event);
  // Fine-grained wheels and touch pads send parts of a notch: they add up.
  wheelAngle_ += event->angleDelta().y();
  const int steps = wheelAngle_ / WheelNotch;
  wheelAngle_ -= steps * WheelNotch;
  if (steps != 0) emit ZoomWheel(steps, event->position().toPoint());
  event->accept();
}

void PictureScrollArea::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Space || event->modifiers() != Qt::NoModifier) return QScrollArea::keyPressEvent(event);
  if (!event->isAutoRepeat()) emit SpaceHeld(true);
  event->accept();
}

void PictureScrollArea::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Space) return QScrollArea::keyReleaseEvent(event);
  if (!event->isAutoRepeat()) emit SpaceHeld(false);
  event->accept();
}

void PictureScrollArea::focusOutEvent(QFocusEvent* event) {
  // The release of a Space held while the focus leaves never comes here.
  emit SpaceHeld(false);
  QScrollArea::focusOutEvent(event);
}

void PictureScrollArea::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  emit Resized();
}

}  // namespace vantorel

TChild::TChild(QWidget* parent)
    : QMdiSubWindow(parent),
      image_(new vantorel::ImageControl),
      scroller_(new vantorel::PictureScrollArea),
      secondImage_(new vantorel::ImageControl),
      secondScroller_(new vantorel::PictureScrollArea),
      noticeBar_(new QFrame),
      noticeText_(new QLabel) {
  setObjectName("ImageWindow");
  setWindowTitle("Child");
  setAttribute(Qt::WA_DeleteOnClose);
  // Scroll bars appear whenever the picture is larger than what the window shows.
  for (auto [scroller, image] : {std::pair(scroller_, image_), std::pair(secondScroller_, secondImage_)}) {
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setAlignment(Qt::AlignCenter);
    scroller->setWidget(image);
    scroller->setWidgetResizable(false);
  }
  scroller_->setObjectName("PictureScrollArea");
  secondScroller_->setObjectName("SecondPictureScrollArea");
  secondScroller_->hide();

  // The notice takes room above the picture rather than covering part of it;
  // the colours of tool tips mark it as information from the program.
  noticeBar_->setObjectName("NoticeBar");
  noticeBar_->setAutoFillBackground(true);
  noticeBar_->setBackgroundRole(QPalette::ToolTipBase);
  auto* noticeIcon = new QLabel;
  const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize);
  noticeIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(iconSize, iconSize));
  noticeText_->setForegroundRole(QPalette::ToolTipText);
  noticeText_->setTextFormat(Qt::PlainText);
  noticeText_->setWordWrap(true);
  auto* noticeLayout = new QHBoxLayout(noticeBar_);
  noticeLayout->setContentsMargins(8, 4, 8, 4);
  noticeLayout->addWidget(noticeIcon, 0, Qt::AlignTop);
  noticeLayout->addWidget(noticeText_, 1);
  noticeBar_->hide();

  auto* content = new QWidget;
  auto* contentLayout = new QVBoxLayout(content);
  contentLayout->setContentsMargins(0, 0, 0, 0);
  contentLayout->setSpacing(0);
  contentLayout->addWidget(noticeBar_);
  auto* panes = new QHBoxLayout;
  panes->setContentsMargins(0, 0, 0, 0);
  panes->setSpacing(2);
  panes->addWidget(scroller_, 1);
  panes->addWidget(secondScroller_, 1);
  contentLayout->addLayout(panes, 1);
  setWidget(content);
  // No minimum size: however small the main window, the maximized image
  // window fits into it and scrolls.
  UpdateMaximumSize();
  resize(vantorel::NormalWindowSize);

  ConnectPane(image_, scroller_);
  ConnectPane(secondImage_, secondScroller_);
  // The panes scroll together. The second pane leads only while it is on
  // screen, and not while it follows: a bar that clamps what it is given must
  // not hand its own value back.
  const auto follow = [this](QScrollBar* first, QScrollBar* second) {
    connect(first, &QScrollBar::valueChanged, this, [this, second](int value) {
      secondFollowing_ = true;
      second->setValue(value);
      secondFollowing_ = false;
    });
    connect(second, &QScrollBar::valueChanged, this, [this, first](int value) {
      if (SecondPaneShown() && !secondFollowing_) first->setValue(value);
    });
  };
  follow(scroller_->horizontalScrollBar(), secondScroller_->horizontalScrollBar());
  follow(scroller_->verticalScrollBar(), secondScroller_->verticalScrollBar());
}

void TChild::ConnectPane(vantorel::ImageControl* image, vantorel::PictureScrollArea* scroller) {
  connect(image, &vantorel::ImageControl::PointerPixelChanged, this, &TChild::PointerPixelChanged);
  for (QScrollBar* bar : {scroller->horizontalScrollBar(), scroller->verticalScrollBar()}) {
    connect(bar, &QScrollBar::valueChanged, image, &vantorel::ImageControl::UpdatePointerPixel);
    connect(bar, &QScrollBar::valueChanged, image, &vantorel::ImageControl::ViewportMoved);
  }
  connect(image, &vantorel::ImageControl::Dragged, this, [this](QPoint distance) {
    // The panes scroll together, so the first's bars serve both.
    QScrollBar* across = scroller_->horizontalScrollBar();
    QScrollBar* down = scroller_->verticalScrollBar();
    across->setValue(across->value() - distance.x());
    down->setValue(down->value() - distance.y());
  });
  connect(scroller, &vantorel::PictureScrollArea::SpaceHeld, image, &vantorel::ImageControl::SetSpaceHeld);
  connect(scroller, &vantorel::PictureScrollArea::Resized, this, &TChild::RefitIfFitting);
  connect(scroller, &vantorel::PictureScrollArea::Resized, image, &vantorel::ImageControl::ViewportMoved);
  connect(scroller, &vantorel::PictureScrollArea::ZoomWheel, this, [this](int steps, QPoint at) {
    fitting_ = false;
    double zoom = Zoom();
    for (int i = 0; i < std::abs(steps); ++i) zoom = steps > 0 ? vantorel::ZoomedIn(zoom) : vantorel::ZoomedOut(zoom);
    ZoomAbout(zoom, at);
  });
}

void TChild::ShowSecondPane(QImage picture, const QString& badge) {
  const bool shown = !picture.isNull();
  secondImage_->SetPicture(picture);
  secondImage_->SetBlinkPicture(std::move(picture), badge);
  if (shown == SecondPaneShown()) return;
  secondScroller_->setVisible(shown);
  UpdateMaximumSize();
  // The window makes room for the second pane, and gives it back.
  if (isMaximized() && parentWidget())
    resize(parentWidget()->size());
  else
    resize(shown ? width() * 2 : (width() + 1) / 2, height());
  RefitIfFitting();
}

bool TChild::SecondPaneShown() const { return !secondScroller_->isHidden(); }

std::optional<QPoint> TChild::PointerPixel() const {
  if (const std::optional<QPoint> pixel = image_->PointerPixel()) return pixel;
  return SecondPaneShown() ? secondImage_->PointerPixel() : std::nullopt;
}

void TChild::ShowBitmap(std::vector<std::uint8_t> bmpFile) {
  if (!vantorel::IsComposedBmp(bmpFile)) throw std::runtime_error("the picture is not an 832 x 700, 24-bit BMP file");
  image_->SetPicture(vantorel::PictureFromBmp(bmpFile, image_->TakePicture()));
  bmpFile_ = std::move(bmpFile);
}

void TChild::ShowBlink(const std::vector<std::uint8_t>& bmpFile) {
  if (!vantorel::IsComposedBmp(bmpFile)) throw std::runtime_error("the picture is not an 832 x 700, 24-bit BMP file");
  image_->SetBlinkPicture(vantorel::PictureFromBmp(bmpFile, QImage()));
}

void TChild::EndBlink() { image_->SetBlinkPicture(QImage()); }

void TChild::ZoomIn() {
  fitting_ = false;
  ZoomAbout(vantorel::ZoomedIn(Zoom()), ViewportMiddle());
}

void TChild::ZoomOut() {
  fitting_ = false;
  ZoomAbout(vantorel::ZoomedOut(Zoom()), ViewportMiddle());
}

void TChild::ActualSize() {
  fitting_ = false;
  ZoomAbout(1, ViewportMiddle());
}

void TChild::FitToWindow() {
  fitting_ = true;
  // The window may take all the room it has before the picture is fitted into it.
  UpdateMaximumSize();
  const QSize room = scroller_->RoomForPicture();
  ZoomAbout(vantorel::FitZoom(room.width(), room.height()), ViewportMiddle());
}

QPoint TChild::ViewportMiddle() const { return scroller_->viewport()->rect().center(); }

void TChild::ZoomAbout(double zoom, QPoint anchor) {
  const double before = Zoom();
  const QPoint inPicture = image_->mapFrom(scroller_->viewport(), anchor);
  image_->SetZoom(zoom);
  secondImage_->SetZoom(zoom);
  UpdateMaximumSize();
  if (zoom != before) {
    scroller_->horizontalScrollBar()->setValue(vantorel::AnchoredScroll(inPicture.x(), anchor.x(), before, zoom));
    scroller_->verticalScrollBar()->setValue(vantorel::AnchoredScroll(inPicture.y(), anchor.y(), before, zoom));
  }
  image_->UpdatePointerPixel();
  secondImage_->UpdatePointerPixel();
  emit ZoomChanged();
}

void TChild::UpdateMaximumSize() {
  // At the picture's own size or smaller the window is no larger than the
  // picture, as after Open; larger or fitted, it may take all the room there is.
  const bool roomy = fitting_ || Zoom() > 1;
  const QSize pictures = SecondPaneShown()
                             ? QSize(2 * vantorel::PictureSize.width() + 2, vantorel::PictureSize.height())
                             : vantorel::PictureSize;
  setMaximumSize(roomy ? QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX) : pictures);
  if (roomy && isMaximized() && parentWidget() && size() != parentWidget()->size()) resize(parentWidget()->size());
}

void TChild::ShowNotice(const QString& text) {
  noticeText_->setText(text);
  noticeBar_->setVisible(!text.isEmpty());
}

void TChild::ClearNotice() { ShowNotice(QString()); }

QString TChild::Notice() const { return noticeText_->text(); }

void TChild::RefitIfFitting() {
  if (!fitting_) return;
  const QSize room = scroller_->RoomForPicture();
  const double zoom = vantorel::FitZoom(room.width(), room.height());
  if (zoom != Zoom()) ZoomAbout(zoom, ViewportMiddle());
}

void TChild::closeEvent(QCloseEvent* event) {
  QMdiSubWindow::closeEvent(event);
  if (event->isAccepted()) emit FormClose();
}

void TChild::changeEvent(QEvent* event) {
  QMdiSubWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)))
    PlaceRestoredWindow();
}

void TChild::PlaceRestoredWindow() {
  // The normal place is chosen when the window is made, by an MDI area that
  // may then be smaller than the window (the main window not yet maximized),
  // which leaves the window sticking out past the area's left or top.
  if (!parentWidget()) return;
  const QSize area = parentWidget()->size();
  const QRect normal = geometry();
  move(std::clamp(normal.x(), 0, std::max(0, area.width() - normal.width())),
       std::clamp(normal.y(), 0, std::max(0, area.height() - normal.height())));
}
