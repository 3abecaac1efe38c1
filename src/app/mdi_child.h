// The image window: one MDI child that shows the picture of the last render,
// zoomed and scrolled. What the zoom steps are is the core's (viewer/zoom.h);
// this only keeps the window's zoom and paints.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QImage>
#include <QMdiSubWindow>
#include <QScrollArea>
#include <QWidget>

class QFrame;
class QLabel;
class QPainter;

namespace vantorel {

// What a drag on the picture draws: a region (Shift+drag without a tool
// chosen) or a profile line (Ctrl+Shift+drag).
enum class MeasureTool { None, Rectangle, Ellipse, Line };

// The image control: the picture at the window's zoom, as large as that makes
// it. When it is larger than the viewport, dragging it (or moving the pointer
// with Space held) pans. A region and a profile line, in picture pixels, are
// drawn over it; their handles move and resize them.
class ImageControl : public QWidget {
  Q_OBJECT
 public:
  void SetMeasureTool(MeasureTool tool) { tool_ = tool; }
  MeasureTool Tool() const { return tool_; }
  // The region's pixels (inclusive) and whether it is an ellipse; nothing draws none.
  void SetRegionOverlay(std::optional<QRect> box, bool ellipse);
  // The profile line from pixel to pixel; nothing draws none.
  void SetProfileOverlay(std::optional<QLine> line);

  explicit ImageControl(QWidget* parent = nullptr);
  void SetPicture(QImage picture);
  const QImage& Picture() const { return picture_; }
  // The picture, leaving none, so that its pixels can be written over for the next one.
  QImage TakePicture() { return std::move(picture_); }
  // A picture painted in place of Picture() until cleared with a null image;
  // Picture() stays what it was. A badge at the top left of the visible part
  // says which picture this is.
  void SetBlinkPicture(QImage picture, const QString& badge = QStringLiteral("Original"));
  const QString& Badge() const { return badge_; }
  bool Blinking() const { return !blinkPicture_.isNull(); }
  // Where the badge is painted, in the control; empty while not blinking.
  QRect BadgeRect() const;
  // The special-pixel mask (one byte a picture pixel, top row first) painted
  // over the picture; an empty mask paints none. Not painted while blinking:
  // the marks belong to the processed picture.
  void SetSpecialPixelMask(std::vector<std::uint8_t> mask);
  const std::vector<std::uint8_t>& SpecialPixelMask() const { return specialPixelMask_; }
  void SetZoom(double zoom);
  double Zoom() const { return zoom_; }
  // The picture pixel under a point of the control; nothing off the picture.
  std::optional<QPoint> PicturePixelAt(QPoint point) const;
  // The picture pixel under the pointer; nothing when the pointer is elsewhere.
  std::optional<QPoint> PointerPixel() const { return pointerPixel_; }
  // After a zoom or a scroll the pointer, where it stays, is over another pixel.
  void UpdatePointerPixel();
  // After a scroll or a resize: the badge stays in the viewport's corner.
  void ViewportMoved();
  // While Space is held, moving the pointer pans as dragging does.
  void SetSpaceHeld(bool held);
  // Larger than the viewport in some direction, so that there is somewhere to pan to.
  bool Pannable() const;

 signals:
  // The pointer moved onto another picture pixel, or off the picture.
  void PointerPixelChanged();
  // The user dragged the picture by distance (screen pixels, right and down positive).
  void Dragged(QPoint distance);
  // While a region is drawn, moved or resized: its pixels, which may reach off the picture.
  void RegionDrawn(QRect box, bool ellipse);
  // While a profile line is drawn or an end of it moved: its ends' pixels.
  void ProfileDrawn(QLine line);
  // A press and release on the picture without moving in between.
  void PictureClicked(QPoint pixel);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void SetPointerPixel(std::optional<QPoint> pixel);
  // The part of the control that the viewport shows.
  QRect VisibleRect() const;
  void PaintBadge(QPainter& painter) const;
  void UpdateCursor();
  const QImage& ShownPicture() const { return blinkPicture_.isNull() ? picture_ : blinkPicture_; }
  void PaintPicture(QPainter& painter, const QImage& picture, const QImage& shrunk, QRect exposed) const;
  void PaintOverlays(QPainter& painter) const;
  // The picture pixel under a point of the control, also off the picture.
  QPoint PixelAt(QPointF point) const;
  // The control's rectangle of a box of picture pixels.
  QRectF ScreenRect(QRect box) const;
  QPointF PixelCentre(QPoint pixel) const;
  // What a press at point starts, measured against the overlays.
  enum class Edit { None, Draw, Move, Resize, LineStart, LineEnd };
  Edit EditAt(QPointF point, Qt::KeyboardModifiers modifiers, int& handle) const;
  void ContinueEdit(QPoint pixel);

  QImage picture_;
  QImage blinkPicture_;
  QString badge_;
  std::vector<std::uint8_t> specialPixelMask_;
  // The mask's colours at the picture's size, or at the control's size below a zoom of 1.
  QImage specialPixelLayer_;
  // The picture smoothed down to a zoom below 1, made at the first paint that needs it.
  QImage shrunk_;
  double zoom_ = 1;
  std::optional<QPoint> pointerPixel_;
  // Where the pointer is in the viewport; it stays there when the picture moves
  // under it, and a pan goes from there.
  std::optional<QPoint> pointerInParent_;
  bool dragging_ = false;
  bool spaceHeld_ = false;
  // Where the badge was last painted, to be painted over after a scroll.
  QRect paintedBadge_;
  MeasureTool tool_ = MeasureTool::None;
  std::optional<QRect> regionBox_;
  bool regionEllipse_ = false;
  std::optional<QLine> profileLine_;
  // The edit a press began: what it changes, where it began and what was there.
  Edit edit_ = Edit::None;
  int editHandle_ = 0;                        // 0..7 round the box from the top left, clockwise
  MeasureTool editTool_ = MeasureTool::None;  // what a draw draws
  bool editEllipse_ = false;
  QPoint editStart_;
  QRect editBox_;
  QLine editLine_;
  bool pressMoved_ = false;
  std::optional<QPoint> pressPixel_;
};

// The scroll area of the image window; Ctrl+wheel zooms instead of scrolling,
// and Space held is passed on for panning.
class PictureScrollArea : public QScrollArea {
  Q_OBJECT
 public:
  using QScrollArea::QScrollArea;
  // The viewport's size without scroll bars: all the room a picture can have.
  QSize RoomForPicture() const { return maximumViewportSize(); }

 signals:
  // steps > 0 zooms in; at is the pointer's place in the viewport.
  void ZoomWheel(int steps, QPoint at);
  void SpaceHeld(bool held);
  // The viewport's room changed, with the window or with what shares it.
  void Resized();

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  int wheelAngle_ = 0;  // eighths of a degree not yet turned into steps
};

}  // namespace vantorel

class TChild : public QMdiSubWindow {
  Q_OBJECT
 public:
  explicit TChild(QWidget* parent = nullptr);

  // Takes the picture from a composed BMP file (832 x 700, 24 bits, bottom-up).
  // Throws std::runtime_error when the bytes are not such a file; the picture
  // shown before is then kept.
  void ShowBitmap(std::vector<std::uint8_t> bmpFile);

  // The BMP file and the bitmap on screen, for Save As and Print.
  const std::vector<std::uint8_t>& BmpFile() const { return bmpFile_; }
  const QImage& Picture() const { return image_->Picture(); }
  // Paints the picture of a composed BMP file in place of Picture() (which
  // stays, as does BmpFile()) until EndBlink. Throws as ShowBitmap does.
  void ShowBlink(const std::vector<std::uint8_t>& bmpFile);
  void EndBlink();
  bool Blinking() const { return image_->Blinking(); }
  vantorel::ImageControl* Image() const { return image_; }
  QScrollArea* ScrollArea() const { return scroller_; }

  // View menu: each keeps the middle of what is visible in place.
  void ZoomIn();
  void ZoomOut();
  void ActualSize();
  // Fits the whole picture into the window, and again whenever its size changes,
  // until another zoom command.
  void FitToWindow();
  // Whether the window fits the picture to its size (until another zoom command).
  bool Fitting() const { return fitting_; }
  double Zoom() const { return image_->Zoom(); }
  // The picture pixel under the pointer, in either pane, if any.
  std::optional<QPoint> PointerPixel() const;

  // Side by side: picture in a pane of its own right of the first, badged, at
  // the same zoom and scrolled with it; a null picture takes the pane away.
  void ShowSecondPane(QImage picture, const QString& badge);
  bool SecondPaneShown() const;
  vantorel::ImageControl* SecondImage() const { return secondImage_; }

  // A bar across the top of the window, above the picture, until cleared.
  void ShowNotice(const QString& text);
  void ClearNotice();
  // The notice shown; empty when none.
  QString Notice() const;

 signals:
  // The user closed the window; it is deleted right after.
  void FormClose();
  void ZoomChanged();
  void PointerPixelChanged();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Sets the zoom, keeping the picture point at anchor (a viewport point) in place.
  void ZoomAbout(double zoom, QPoint anchor);
  QPoint ViewportMiddle() const;
  // The window may grow beyond the picture's own size only when that is larger.
  void UpdateMaximumSize();
  void RefitIfFitting();
  // Back from maximized, the window goes where all of it is seen in the MDI area.
  void PlaceRestoredWindow();

  // The pane's control follows the window's zoom, pointer, drags and Space.
  void ConnectPane(vantorel::ImageControl* image, vantorel::PictureScrollArea* scroller);

  vantorel::ImageControl* image_;
  vantorel::PictureScrollArea* scroller_;
  vantorel::ImageControl* secondImage_;
  vantorel::PictureScrollArea* secondScroller_;
  QFrame* noticeBar_;
  QLabel* noticeText_;
  std::vector<std::uint8_t> bmpFile_;
  bool fitting_ = false;
  bool secondFollowing_ = false;  // while the second pane's bars take the first's values
};
