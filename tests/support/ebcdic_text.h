// Writes readable text into hand-made headers as the EBCDIC bytes a frame file
// would hold (kept independent of the decoder's table on purpose), and builds
// the headers of both data sets that the header, card and FITS tests share.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "frames/frame_layout.h"

namespace vantorel::testing {

// The EBCDIC code of one upper-case letter, digit or header punctuation mark.
inline std::uint8_t EbcdicCode(char c) {
  constexpr std::string_view marks = " .+;-/:={}", markCodes = "\x40\x4B\x4E\x5E\x60\x61\x7A\x7E\xC0\xD0";
  if (c >= 'A' && c <= 'I') return std::uint8_t(0xC1 + (c - 'A'));
  if (c >= 'J' && c <= 'R') return std::uint8_t(0xD1 + (c - 'J'));
  if (c >= 'S' && c <= 'Z') return std::uint8_t(0xE2 + (c - 'S'));
  if (c >= '0' && c <= '9') return std::uint8_t(0xF0 + (c - '0'));
  if (const std::size_t at = marks.find(c); at != marks.npos) return std::uint8_t(markCodes[at]);
  throw std::invalid_argument(std::string("no EBCDIC code for ") + c);
}

// Writes text as EBCDIC starting at a 0-based header offset.
inline void PutEbcdic(FrameBuffer& frame, std::size_t offset, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) frame[offset + i] = EbcdicCode(text[i]);
}

// A Mariner 10 header as a flight frame carries it: the two F7 marks, camera A,
// the clear filter and an exposure with leading spaces.
inline FrameBuffer Mariner10Frame() {
  FrameBuffer frame = MakeFrameBuffer();
  frame[0] = frame[1] = 0xF7;
  for (const auto& [offset, text] : {std::pair<std::size_t, std::string_view>{72, "MVM73"}, {85, "0166788"},
                                     {115, "74"}, {122, "029"}, {130, "12:34:56"}, {151, "A"}, {166, "5"},
                                     {196, "    360"}})
    PutEbcdic(frame, offset, text);
  return frame;
}

// The twelve text lines of a Mariner 9 header and where each begins.
inline constexpr std::array<std::pair<std::size_t, std::string_view>, 12> Mariner9Lines = {{
    {72, "MARINER 9 CAM A  ORB 12"}, {96, "DATE 71-320 GMT 12:34:56"}, {121, "DAS 01234567 RANGE 999"},
    {144, "PICNO 0123-4567 ORB 120"}, {168, "EXPOSURE 0.0060 SEC     "}, {193, "  FILTER 4 POS 2 GREEN"},
    {216, "LINES 700 SAMPLES 832  "}, {240, "GAIN HIGH OFFSET ON  DC1"}, {265, "TARGET MARS           "},
    {288, "SLANT RANGE 012345 KM  "}, {312, "PHASE 045.2 INC 060.1   "}, {337, "EMISSION 030.0 NORTH  "}}};

// A Mariner 9 text header; the bytes between and after the lines hold "=",
// which must not reach any label.
inline FrameBuffer Mariner9Frame() {
  FrameBuffer frame = MakeFrameBuffer();
  for (std::size_t offset = 72; offset < 504; ++offset) frame[offset] = EbcdicCode('=');
  for (const auto& [offset, line] : Mariner9Lines) PutEbcdic(frame, offset, line);
  return frame;
}

}  // namespace vantorel::testing
