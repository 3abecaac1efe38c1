// PNG output of the command line: the composed BMP's pixels, losslessly.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vantorel::cli {

// Encodes the picture of a BMP file as PNG in memory, so that nothing touches
// the disk unless the whole file is ready. Nothing when the BMP cannot be decoded.
std::optional<std::vector<std::uint8_t>> EncodePng(std::span<const std::uint8_t> bmp);

}  // namespace vantorel::cli
