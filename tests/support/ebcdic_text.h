// Writes readable text into hand-made headers as the EBCDIC bytes a frame file
// would hold (kept independent of the decoder's table on purpose), and builds
// the headers of both data sets that the header, card and FITS tests share.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "frames/frame_layout.h"
#include "header/header_layout.h"
#include "support/test_support.h"

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
// Writes the header into the first record of any frame-sized buffer or file.
template <typename Bytes>
void PutMariner10Header(Bytes& frame) {
  for (std::size_t offset : Mariner10MarkOffsets) frame[offset] = Mariner10MarkByte;
  for (const auto& [range, text] : {std::pair<ByteRange, std::string_view>{{72, 3}, "MVM"},
                                    {DataSetSuffixBytes, "73"},
                                    {FdsCountBytes, "0166788"},
                                    {YearBytes, "74"},
                                    {DayBytes, "029"},
                                    {GmtBytes, "12:34:56"},
                                    {{CameraOffset, 1}, "A"},
                                    {{FilterOffset, 1}, "5"},
                                    {ExposureBytes, "    360"}})
    for (std::size_t i = 0; i < text.size(); ++i) frame[range.Offset + i] = EbcdicCode(text[i]);
}

inline FrameBuffer Mariner10Frame() {
  FrameBuffer frame = MakeFrameBuffer();
  PutMariner10Header(frame);
  return frame;
}

// A whole frame file of the given length: that header in front of the pattern
// samples of PatternFrameFile.
inline std::vector<std::uint8_t> Mariner10FrameFile(std::size_t length = std::size_t(FullFrameFileBytes)) {
  std::vector<std::uint8_t> bytes = PatternFrameFile(length);
  PutMariner10Header(bytes);
  return bytes;
}

// The twelve text lines of a Mariner 9 header, in the order of Mariner9LinePieces.
inline constexpr std::array<std::string_view, Mariner9LineCount> Mariner9Lines = {
    "MARINER 9 CAM A  ORB 12",  "DATE 71-320 GMT 12:34:56", "DAS 01234567 RANGE 999",   "PICNO 0123-4567 ORB 120",
    "EXPOSURE 0.0060 SEC     ", "  FILTER 4 POS 2 GREEN",   "LINES 700 SAMPLES 832  ",  "GAIN HIGH OFFSET ON  DC1",
    "TARGET MARS           ",   "SLANT RANGE 012345 KM  ",  "PHASE 045.2 INC 060.1   ", "EMISSION 030.0 NORTH  "};

// Where line i of Mariner9Lines begins in the header record.
inline std::size_t Mariner9LineOffset(std::size_t i) { return HeaderTextBytes.Offset + Mariner9LinePieces[i].Offset; }

// A Mariner 9 text header; the bytes between and after the lines hold "=",
// which must not reach any label.
inline FrameBuffer Mariner9Frame() {
  FrameBuffer frame = MakeFrameBuffer();
  for (std::size_t i = 0; i < HeaderTextBytes.Length; ++i) frame[HeaderTextBytes.Offset + i] = EbcdicCode('=');
  for (std::size_t i = 0; i < Mariner9Lines.size(); ++i) PutEbcdic(frame, Mariner9LineOffset(i), Mariner9Lines[i]);
  return frame;
}

// A whole frame file: that Mariner 9 header in front of the pattern samples.
inline std::vector<std::uint8_t> Mariner9FrameFile() {
  std::vector<std::uint8_t> bytes = PatternFrameFile(std::size_t(FullFrameFileBytes));
  const FrameBuffer header = Mariner9Frame();
  std::copy_n(header.begin(), RecordBytes, bytes.begin());
  return bytes;
}

}  // namespace vantorel::testing
