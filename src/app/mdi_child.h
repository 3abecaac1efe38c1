// The image window: one MDI child that shows the picture of the last render.
#pragma once

#include <cstdint>
#include <vector>

#include <QImage>
#include <QMdiSubWindow>
#include <QWidget>

class QScrollArea;

namespace vantorel {

// The image control: fixed at the bitmap size, scales its picture to itself.
class ImageControl : public QWidget {
  Q_OBJECT
 public:
  explicit ImageControl(QWidget* parent = nullptr);
  void SetPicture(const QImage& picture);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
};

}  // namespace vantorel

class TChild : public QMdiSubWindow {
  Q_OBJECT
 public:
  explicit TChild(QWidget* parent = nullptr);

  // Loads the picture from a BMP file in memory. Throws std::runtime_error when
  // the bytes are not a BMP file; the picture shown before is then kept.
  void ShowBitmap(std::vector<std::uint8_t> bmpFile);

  // The BMP file and the bitmap on screen, for Save As and Print.
  const std::vector<std::uint8_t>& BmpFile() const { return bmpFile_; }
  const QImage& Picture() const { return picture_; }
  vantorel::ImageControl* Image() const { return image_; }

 signals:
  // The user closed the window; it is deleted right after.
  void FormClose();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  vantorel::ImageControl* image_;
  QScrollArea* scroller_;
  std::vector<std::uint8_t> bmpFile_;
  QImage picture_;
};
