#include "cli/png_encoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

namespace vantorel::cli {

std::optional<std::vector<std::uint8_t>> EncodePng(std::span<const std::uint8_t> bmp) {
  const QImage picture = QImage::fromData(bmp.data(), int(bmp.size()), "BMP");
  if (picture.isNull()) return std::nullopt;
  QByteArray encoded;
  QBuffer buffer(&encoded);
  buffer.open(QIODevice::WriteOnly);
  // 24-bit RGB keeps the file free of an alpha channel the picture never had.
  if (!picture.convertToFormat(QImage::Format_RGB888).save(&buffer, "PNG")) return std::nullopt;
  return std::vector<std::uint8_t>(encoded.begin(), encoded.end());
}

}  // namespace vantorel::cli
