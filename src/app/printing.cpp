#include "app/printing.h"

#include <stdexcept>

#include <QImage>
#include <QPainter>
#include <QPrinter>

#include "output/print_rect.h"

namespace vantorel {

namespace {

// Ends the printer document however the drawing ends.
class PrinterDocument {
 public:
  explicit PrinterDocument(QPainter& painter) : painter_(painter) {}
  ~PrinterDocument() {
    if (painter_.isActive()) painter_.end();
  }
  PrinterDocument(const PrinterDocument&) = delete;
  PrinterDocument& operator=(const PrinterDocument&) = delete;
  // The normal way out, which can report a failure.
  bool End() { return painter_.end(); }

 private:
  QPainter& painter_;
};

}  // namespace

QRect PrintTarget(const QPrinter& printer, const QImage& picture) {
  // width()/height() are the printable page in device pixels.
  const PrintRect rect = PrintRectangle(printer.width(), printer.height(), picture.width(), picture.height());
  return QRect(QPoint(rect.Left, rect.Top), QSize(rect.Right - rect.Left, rect.Bottom - rect.Top));
}

void PrintPicture(QPrinter& printer, const QImage& picture) {
  QPainter painter;
  if (!painter.begin(&printer)) throw std::runtime_error("the printer could not start a document");
  PrinterDocument document(painter);
  // The picture's specks are single pixels; a PDF would otherwise hold it as JPEG.
  painter.setRenderHint(QPainter::LosslessImageRendering);
  painter.drawImage(PrintTarget(printer, picture), picture);
  if (!document.End()) throw std::runtime_error("the printer could not finish the document");
}

}  // namespace vantorel
