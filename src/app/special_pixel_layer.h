// The special-pixel marks as a layer over the screen picture: each kind of
// pixel the core found (analysis/special_pixels.h) in its own colour.
#pragma once

#include <cstdint>
#include <span>

#include <QColor>
#include <QImage>

namespace vantorel {

QColor MissingPixelColor();
QColor SaturatedPixelColor();
QColor ReplacedPixelColor();

// The colour a pixel with these mask bits is marked in, transparent for none;
// replaced wins over missing, missing over saturated.
QRgb SpecialPixelColor(std::uint8_t bits);

// The mask (picture width x height bytes, top row first) as an image of size:
// the picture's own size, or smaller for a shrunk zoom, where each layer pixel
// carries the marks of every picture pixel it stands for, so that no single
// mark disappears when the picture is shrunk.
QImage SpecialPixelLayer(std::span<const std::uint8_t> mask, QSize pictureSize, QSize size);

}  // namespace vantorel
