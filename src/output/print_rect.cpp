#include "output/print_rect.h"

namespace vantorel {

PrintRect PrintRectangle(int pageWidth, int pageHeight, int bitmapWidth, int bitmapHeight) {
  double width = bitmapWidth;
  double height = bitmapHeight;
  // Only a page strictly wider than the bitmap scales it; a bitmap without
  // width has nothing to scale by.
  if (bitmapWidth > 0 && pageWidth > width) {
    const double scale = pageWidth / width;
    width = pageWidth;
    height = bitmapHeight * scale;
    // The width stays the page width, so a short page distorts the picture.
    if (pageHeight < height) height = pageHeight;
  }
  return PrintRect{0, 0, static_cast<int>(width), static_cast<int>(height)};
}

}  // namespace vantorel
