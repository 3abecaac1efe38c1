// Writes readable text into a hand-made header as the EBCDIC bytes a frame
// file would hold. Kept independent of the decoder's table on purpose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::testing {

// The EBCDIC code of one upper-case letter, digit or header punctuation mark.
// A space becomes 40, the EBCDIC space.
inline std::uint8_t EbcdicCode(char c) {
  if (c >= 'A' && c <= 'I') return std::uint8_t(0xC1 + (c - 'A'));
  if (c >= 'J' && c <= 'R') return std::uint8_t(0xD1 + (c - 'J'));
  if (c >= 'S' && c <= 'Z') return std::uint8_t(0xE2 + (c - 'S'));
  if (c >= '0' && c <= '9') return std::uint8_t(0xF0 + (c - '0'));
  switch (c) {
    case ' ': return 0x40;
    case '.': return 0x4B;
    case '+': return 0x4E;
    case ';': return 0x5E;
    case '-': return 0x60;
    case '/': return 0x61;
    case ':': return 0x7A;
    case '=': return 0x7E;
    case '{': return 0xC0;
    case '}': return 0xD0;
    default: throw std::invalid_argument(std::string("no EBCDIC code for '") + c + "'");
  }
}

inline std::vector<std::uint8_t> EbcdicBytes(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char c : text) bytes.push_back(EbcdicCode(c));
  return bytes;
}

// Writes text as EBCDIC starting at a 0-based header offset.
inline void PutEbcdic(std::span<std::uint8_t> frame, std::size_t offset, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) frame[offset + i] = EbcdicCode(text[i]);
}

}  // namespace vantorel::testing
