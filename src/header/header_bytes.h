// The header record as bytes: a hex and text dump, and where each decoded
// field was read from, so that a reader can check the decode by eye.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "header/header_decode.h"
#include "header/header_layout.h"

namespace vantorel {

inline constexpr int HeaderBytesPerRow = 16;

struct HeaderByteRow {
  std::size_t Offset;  // offset of the row's first byte in the header record
  std::string Hex;     // two upper-case hex digits per byte, separated by one space
  std::string Text;    // one character per byte through EbcdicChar; '.' where that is not printable ASCII
};

// The header record (968 bytes; fewer if the span is shorter) as rows of 16;
// the last row of a whole record holds 8.
std::vector<HeaderByteRow> HeaderByteRows(std::span<const std::uint8_t> headerRecord);

// Where one decoded field came from.
struct HeaderFieldSource {
  std::string Name;   // e.g. "FDS count", "Exposure", "Mariner 9 line 3"
  ByteRange Bytes;    // in the header record
  std::string Value;  // as decoded
};

// The twelve lines of a Mariner 9 header, or the Mariner 10 fields otherwise.
std::vector<HeaderFieldSource> HeaderFieldSources(const HeaderState& header);

// Rows then fields as plain text for the clipboard. Offsets are decimal, four
// digits, like the offsets the decode is written in: "0016  F0 F1 ...  01...",
// a blank line, then "0085 7 FDS count: 0166788" lines (offset, length, name, value).
std::string HeaderBytesText(const std::vector<HeaderByteRow>& rows, const std::vector<HeaderFieldSource>& fields);

}  // namespace vantorel
