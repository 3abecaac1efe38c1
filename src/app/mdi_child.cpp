#include "app/mdi_child.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <QCloseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "frames/frame_layout.h"
#include "viewer/zoom.h"

namespace vantorel {

namespace {

constexpr QSize kPictureSize(PictureSamples, FrameLines);  // 832 x 700
constexpr QSize kNormalWindowSize(812, 612);
// One notch of a common mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;

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
// format the screen is painted in, so that no paint has to convert it.
QImage PictureFromBmp(const std::vector<std::uint8_t>& bmp) {
  QImage picture(kPictureSize, QImage::Format_RGB32);
  if (picture.isNull()) throw std::runtime_error("no memory for the picture");
  for (int y = 0; y < FrameLines; ++y) {
    const std::uint8_t* from = bmp.data() + BmpHeaderBytes + std::size_t(FrameLines - 1 - y) * BmpRowBytes;
    auto* to = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < PictureSamples; ++x, from += 3)
      to[x] = 0xff000000u | std::uint32_t(from[2]) << 16 | std::uint32_t(from[1]) << 8 | from[0];
  }
  return picture;
}

// The picture shrunk by a whole factor, each screen pixel the rounded mean of
// the block it stands for: the halving zoom steps, several times quicker than
// a general smooth scaling.
QImage ShrunkByBlocks(const QImage& picture, int factor) {
  QImage shrunk(picture.width() / factor, picture.height() / factor, QImage::Format_RGB32);
  const int area = factor * factor;
  std::vector<std::uint32_t> sums(std::size_t(shrunk.width()) * 3);
  for (int y = 0; y < shrunk.height(); ++y) {
    std::fill(sums.begin(), sums.end(), 0);
    for (int dy = 0; dy < factor; ++dy) {
      const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y * factor + dy));
      for (int x = 0; x < shrunk.width(); ++x)
        for (int dx = 0; dx < factor; ++dx) {
          const QRgb pixel = row[x * factor + dx];
          sums[3 * std::size_t(x)] += std::uint32_t(qRed(pixel));
          sums[3 * std::size_t(x) + 1] += std::uint32_t(qGreen(pixel));
          sums[3 * std::size_t(x) + 2] += std::uint32_t(qBlue(pixel));
        }
    }
    auto* out = reinterpret_cast<QRgb*>(shrunk.scanLine(y));
    auto mean = [&](std::size_t at) { return int((sums[at] + std::uint32_t(area / 2)) / std::uint32_t(area)); };
    for (int x = 0; x < shrunk.width(); ++x)
      out[x] = qRgb(mean(3 * std::size_t(x)), mean(3 * std::size_t(x) + 1), mean(3 * std::size_t(x) + 2));
  }
  return shrunk;
}

QImage Shrunk(const QImage& picture, QSize size, double zoom) {
  const int factor = int(std::lround(1 / zoom));
  if (factor * zoom == 1 && picture.width() % factor == 0 && picture.height() % factor == 0)
    return ShrunkByBlocks(picture, factor);
  return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

ImageControl::ImageControl(QWidget* parent) : QWidget(parent) {
  setObjectName("Image");
  setFixedSize(kPictureSize);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

void ImageControl::SetPicture(const QImage& picture) {
  picture_ = picture;
  shrunk_ = QImage();
  update();
}

void ImageControl::SetZoom(double zoom) {
  if (zoom == zoom_) return;
  zoom_ = zoom;
  shrunk_ = QImage();
  setFixedSize(ZoomedExtent(PictureSamples, zoom), ZoomedExtent(FrameLines, zoom));
  update();
}

std::optional<QPoint> ImageControl::PicturePixelAt(QPoint point) const {
  const int x = int(std::floor(point.x() / zoom_)), y = int(std::floor(point.y() / zoom_));
  if (x < 0 || y < 0 || x >= PictureSamples || y >= FrameLines) return std::nullopt;
  return QPoint(x, y);
}

void ImageControl::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect exposed = event->rect();
  if (picture_.isNull()) {
    painter.fillRect(exposed, Qt::black);
  } else if (zoom_ == 1) {
    painter.drawImage(exposed.topLeft(), picture_, exposed);
  } else if (zoom_ < 1) {
    // Shrunk once per picture and zoom, smoothed; each paint then only copies.
    if (shrunk_.size() != size()) shrunk_ = Shrunk(picture_, size(), zoom_);
    painter.drawImage(exposed.topLeft(), shrunk_, exposed);
  } else {
    // Magnified zooms are whole numbers: only the picture pixels under the
    // exposed part are drawn, each as an equal sharp square.
    const int scale = int(zoom_);
    const QRect source = QRect(QPoint(exposed.left() / scale, exposed.top() / scale),
                               QPoint(exposed.right() / scale, exposed.bottom() / scale)) &
                         picture_.rect();
    painter.drawImage(QRect(source.topLeft() * scale, source.size() * scale), picture_, source);
  }
}

void ImageControl::UpdatePointerPixel() {
  if (pointerInParent_) SetPointerPixel(PicturePixelAt(mapFromParent(*pointerInParent_)));
}

void ImageControl::mouseMoveEvent(QMouseEvent* event) {
  pointerInParent_ = mapToParent(event->position().toPoint());
  UpdatePointerPixel();
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
  const int steps = wheelAngle_ / kWheelNotch;
  wheelAngle_ -= steps * kWheelNotch;
  if (steps != 0) emit ZoomWheel(steps, event->position().toPoint());
  event->accept();
}

}  // namespace vantorel

TChild::TChild(QWidget* parent)
    : QMdiSubWindow(parent), image_(new vantorel::ImageControl), scroller_(new vantorel::PictureScrollArea) {
  setObjectName("ImageWindow");
  setWindowTitle("Child");
  setAttribute(Qt::WA_DeleteOnClose);
  // Scroll bars appear whenever the picture is larger than what the window shows.
  scroller_->setObjectName("PictureScrollArea");
  scroller_->setFrameShape(QFrame::NoFrame);
  scroller_->setAlignment(Qt::AlignCenter);
  scroller_->setWidget(image_);
  scroller_->setWidgetResizable(false);
  setWidget(scroller_);
  // No minimum size: however small the main window, the maximized image
  // window fits into it and scrolls.
  UpdateMaximumSize();
  resize(vantorel::kNormalWindowSize);

  connect(image_, &vantorel::ImageControl::PointerPixelChanged, this, &TChild::PointerPixelChanged);
  for (QScrollBar* bar : {scroller_->horizontalScrollBar(), scroller_->verticalScrollBar()})
    connect(bar, &QScrollBar::valueChanged, image_, &vantorel::ImageControl::UpdatePointerPixel);
  connect(scroller_, &vantorel::PictureScrollArea::ZoomWheel, this, [this](int steps, QPoint at) {
    fitting_ = false;
    double zoom = Zoom();
    for (int i = 0; i < std::abs(steps); ++i) zoom = steps > 0 ? vantorel::ZoomedIn(zoom) : vantorel::ZoomedOut(zoom);
    ZoomAbout(zoom, at);
  });
}

void TChild::ShowBitmap(std::vector<std::uint8_t> bmpFile) {
  if (!vantorel::IsComposedBmp(bmpFile)) throw std::runtime_error("the picture is not an 832 x 700, 24-bit BMP file");
  picture_ = vantorel::PictureFromBmp(bmpFile);
  bmpFile_ = std::move(bmpFile);
  image_->SetPicture(picture_);
}

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
  UpdateMaximumSize();
  if (zoom != before) {
    scroller_->horizontalScrollBar()->setValue(vantorel::AnchoredScroll(inPicture.x(), anchor.x(), before, zoom));
    scroller_->verticalScrollBar()->setValue(vantorel::AnchoredScroll(inPicture.y(), anchor.y(), before, zoom));
  }
  image_->UpdatePointerPixel();
  emit ZoomChanged();
}

void TChild::UpdateMaximumSize() {
  // At the picture's own size or smaller the window is no larger than the
  // picture, as after Open; larger or fitted, it may take all the room there is.
  const bool roomy = fitting_ || Zoom() > 1;
  setMaximumSize(roomy ? QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX) : vantorel::kPictureSize);
  if (roomy && isMaximized() && parentWidget() && size() != parentWidget()->size()) resize(parentWidget()->size());
}

void TChild::resizeEvent(QResizeEvent* event) {
  QMdiSubWindow::resizeEvent(event);
  if (!fitting_) return;
  const QSize room = scroller_->RoomForPicture();
  const double zoom = vantorel::FitZoom(room.width(), room.height());
  if (zoom != Zoom()) ZoomAbout(zoom, ViewportMiddle());
}

void TChild::closeEvent(QCloseEvent* event) {
  QMdiSubWindow::closeEvent(event);
  if (event->isAccepted()) emit FormClose();
}
