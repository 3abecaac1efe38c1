// The exchange of image lines that the flip and the rotate stage share.
#pragma once

#include <cstdint>
#include <span>

namespace vantorel {

// Exchanges all 968 bytes of line L with line 701 - L for L = 1..350. Always
// over all 700 lines, however many the file filled; the header record and the
// records behind line 700 stay in place.
void ExchangeLines(std::span<std::uint8_t> frame);

}  // namespace vantorel
