#include "app/mdi_child.h"

#include <stdexcept>

#include <QCloseEvent>
#include <QPainter>
#include <QScrollArea>

#include "frames/frame_layout.h"

namespace vantorel {

namespace {

constexpr QSize kPictureSize(PictureSamples, FrameLines);  // 832 x 700
constexpr QSize kMinimumWindowSize(812, 612);

}  // namespace

ImageControl::ImageControl(QWidget* parent) : QWidget(parent) {
  setObjectName("Image");
  setFixedSize(kPictureSize);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ImageControl::SetPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void ImageControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (picture_.isNull())
    painter.fillRect(rect(), Qt::black);
  else
    painter.drawImage(rect(), picture_);
}

}  // namespace vantorel

TChild::TChild(QWidget* parent)
    : QMdiSubWindow(parent), image_(new vantorel::ImageControl), scroller_(new QScrollArea) {
  setObjectName("ImageWindow");
  setWindowTitle("Child");
  setAttribute(Qt::WA_DeleteOnClose);
  // Scroll bars appear only when the window is smaller than the picture.
  scroller_->setFrameShape(QFrame::NoFrame);
  scroller_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  scroller_->setWidget(image_);
  scroller_->setWidgetResizable(false);
  setWidget(scroller_);
  setMinimumSize(vantorel::kMinimumWindowSize);
  // Maximized, the window loses its frame and shows the picture at full size.
  setMaximumSize(vantorel::kPictureSize);
  resize(vantorel::kMinimumWindowSize);
}

void TChild::ShowBitmap(std::vector<std::uint8_t> bmpFile) {
  QImage picture = QImage::fromData(bmpFile.data(), int(bmpFile.size()), "BMP");
  if (picture.isNull()) throw std::runtime_error("the picture could not be read as a BMP file");
  bmpFile_ = std::move(bmpFile);
  picture_ = std::move(picture);
  image_->SetPicture(picture_);
}

void TChild::closeEvent(QCloseEvent* event) {
  QMdiSubWindow::closeEvent(event);
  if (event->isAccepted()) emit FormClose();
}
