// The eight neighbours of a byte in the record layout, as offsets from it.
#pragma once

#include <array>

#include "frames/frame_layout.h"

namespace vantorel {

// The three on the line above, left, right, the three on the line below.
inline constexpr std::array<int, 8> NeighbourOffsets = {-RecordBytes - 1, -RecordBytes, -RecordBytes + 1, -1, 1,
                                                        RecordBytes - 1,  RecordBytes,  RecordBytes + 1};

}  // namespace vantorel
