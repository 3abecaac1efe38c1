// The FITS file Save As writes: 36 cards of 80 bytes, then the grey plane.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "frames/frame_layout.h"
#include "header/header_decode.h"

namespace vantorel {

inline constexpr std::size_t FitsCardBytes = 80;
inline constexpr std::size_t FitsHeaderBytes = FitsCardBytes * LabelCardCount;  // 2,880
inline constexpr std::size_t FitsFileBytes = FitsHeaderBytes + FitsPlaneBytes;  // 585,280

// The 2,880-byte header block: each card space-padded to 80 bytes.
std::vector<std::uint8_t> BuildFitsHeader(const LabelCardSet& cards);

// Header block followed by the plane, unpadded: 585,280 bytes.
std::vector<std::uint8_t> BuildFitsFile(const LabelCardSet& cards, std::span<const std::uint8_t> fitsPlane);

}  // namespace vantorel
