// Where a printed picture goes on the page: scaled to the page width when the
// page is wider than the bitmap, its height limited to the page height.
#pragma once

namespace vantorel {

struct PrintRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  friend bool operator==(const PrintRect&, const PrintRect&) = default;
};

PrintRect PrintRectangle(int pageWidth, int pageHeight, int bitmapWidth, int bitmapHeight);

}  // namespace vantorel
