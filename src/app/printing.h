// Printing the picture of the image window: one page, scaled to the page width.
#pragma once

#include <QRect>

class QImage;
class QPrinter;

namespace vantorel {

// Where the picture goes on a page of the printer's size, in device pixels.
QRect PrintTarget(const QPrinter& printer, const QImage& picture);

// Prints one document of one page, the picture stored without loss where the
// printer stores it (a PDF file). Throws std::runtime_error when the printer
// cannot start a document or fails to finish it; the document is ended on every path.
void PrintPicture(QPrinter& printer, const QImage& picture);

}  // namespace vantorel
