// Hand-made headers of both data sets for the header and card tests.
#pragma once

#include <array>
#include <string_view>

#include "frames/frame_layout.h"
#include "support/ebcdic_text.h"

namespace vantorel::testing {

inline constexpr std::uint8_t Mariner10MarkCode = 0xF7;

// A Mariner 10 header as a flight frame would carry it: camera A, clear filter.
inline FrameBuffer Mariner10Frame() {
  FrameBuffer frame = MakeFrameBuffer();
  frame[0] = Mariner10MarkCode;
  frame[1] = Mariner10MarkCode;
  PutEbcdic(frame, 72, "MVM73");
  PutEbcdic(frame, 85, "0166788");
  PutEbcdic(frame, 115, "74");
  PutEbcdic(frame, 122, "029");
  PutEbcdic(frame, 130, "12:34:56");
  frame[151] = 0xC1;
  frame[166] = 0xF5;
  PutEbcdic(frame, 196, "    360");
  return frame;
}

// The twelve text lines of a Mariner 9 header and where each begins.
inline constexpr std::array<std::string_view, 12> Mariner9Lines = {
    "MARINER 9 CAM A  ORB 12", "DATE 71-320 GMT 12:34:56", "DAS 01234567 RANGE 999",
    "PICNO 0123-4567 ORB 120", "EXPOSURE 0.0060 SEC     ", "  FILTER 4 POS 2 GREEN",
    "LINES 700 SAMPLES 832  ", "GAIN HIGH OFFSET ON  DC1", "TARGET MARS           ",
    "SLANT RANGE 012345 KM  ", "PHASE 045.2 INC 060.1   ", "EMISSION 030.0 NORTH  ",
};
inline constexpr std::array<std::size_t, 12> Mariner9LineOffsets = {72,  96,  121, 144, 168, 193,
                                                                    216, 240, 265, 288, 312, 337};

// A Mariner 9 text header; the bytes between and after the lines hold "=",
// which must not reach any label.
inline FrameBuffer Mariner9Frame() {
  FrameBuffer frame = MakeFrameBuffer();
  for (std::size_t offset = 72; offset < 504; ++offset) frame[offset] = EbcdicCode('=');
  for (std::size_t i = 0; i < Mariner9Lines.size(); ++i) PutEbcdic(frame, Mariner9LineOffsets[i], Mariner9Lines[i]);
  return frame;
}

}  // namespace vantorel::testing
