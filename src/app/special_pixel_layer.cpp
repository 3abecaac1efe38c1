#include "app/special_pixel_layer.h"

#include <vector>

#include "analysis/special_pixels.h"

namespace vantorel {

namespace {

// Bright and mostly opaque, so that single pixels stand out on any grey.
constexpr int MarkAlpha = 230;

}  // namespace

QColor MissingPixelColor() { return QColor(255, 0, 200, MarkAlpha); }
QColor SaturatedPixelColor() { return QColor(255, 200, 0, MarkAlpha); }
QColor ReplacedPixelColor() { return QColor(0, 200, 255, MarkAlpha); }

QRgb SpecialPixelColor(std::uint8_t bits) {
  if (bits & ReplacedBit) return ReplacedPixelColor().rgba();
  if (bits & MissingBit) return MissingPixelColor().rgba();
  if (bits & SaturatedBit) return SaturatedPixelColor().rgba();
  return qRgba(0, 0, 0, 0);
}

QImage SpecialPixelLayer(std::span<const std::uint8_t> mask, QSize pictureSize, QSize size) {
  const int width = pictureSize.width(), height = pictureSize.height();
  if (size.isEmpty() || mask.size() < std::size_t(width) * std::size_t(height)) return {};
  size = size.boundedTo(pictureSize);
  // Every picture pixel adds its bits to the layer pixel it falls into.
  std::vector<std::uint8_t> bits(std::size_t(size.width()) * std::size_t(size.height()), 0);
  std::vector<int> column(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) column[std::size_t(x)] = int(qint64(x) * size.width() / width);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* from = mask.data() + std::size_t(y) * std::size_t(width);
    std::uint8_t* to = bits.data() + std::size_t(qint64(y) * size.height() / height) * std::size_t(size.width());
    for (int x = 0; x < width; ++x) to[column[std::size_t(x)]] |= from[x];
  }
  QImage layer(size, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < size.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(layer.scanLine(y));
    const std::uint8_t* from = bits.data() + std::size_t(y) * std::size_t(size.width());
    for (int x = 0; x < size.width(); ++x) line[x] = qPremultiply(SpecialPixelColor(from[x]));
  }
  return layer;
}

}  // namespace vantorel
