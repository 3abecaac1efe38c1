// Where things are in the engineering header record (record 0), as 0-based
// byte offsets. The decoder, the sample-frame generator and the tests all
// take their offsets from here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vantorel {

struct ByteRange {
  std::size_t Offset;
  std::size_t Length;
};

// Offsets 0 and 1 both hold EBCDIC "7" in a Mariner 10 header.
inline constexpr std::array<std::size_t, 2> Mariner10MarkOffsets = {0, 1};
inline constexpr std::uint8_t Mariner10MarkByte = 0xF7;

// The header's text, decoded whole for the Mariner 9 box: offsets 72..503.
inline constexpr ByteRange HeaderTextBytes{72, 432};

// Mariner 10 fields.
inline constexpr ByteRange DataSetSuffixBytes{75, 2};
inline constexpr ByteRange FdsCountBytes{85, 7};
inline constexpr ByteRange YearBytes{115, 2};
inline constexpr ByteRange DayBytes{122, 3};
// GMT is three two-digit groups; the separators between them are not read.
inline constexpr ByteRange GmtBytes{130, 8};
inline constexpr ByteRange GmtHourBytes{130, 2};
inline constexpr ByteRange GmtMinuteBytes{133, 2};
inline constexpr ByteRange GmtSecondBytes{136, 2};
inline constexpr std::size_t CameraOffset = 151;
inline constexpr std::uint8_t CameraACode = 0xC1;
inline constexpr std::uint8_t CameraBCode = 0xC2;
inline constexpr std::size_t FilterOffset = 166;
inline constexpr std::uint8_t FirstFilterCode = 0xF1;  // EBCDIC "1"
inline constexpr ByteRange ExposureBytes{196, 7};

// The twelve Mariner 9 lines, as positions in the header text: three lines per
// 72 characters, one character skipped after each.
inline constexpr int Mariner9LineCount = 12;
inline constexpr std::array<ByteRange, Mariner9LineCount> Mariner9LinePieces = {{
    {0, 23},
    {24, 24},
    {49, 22},
    {72, 23},
    {96, 24},
    {121, 22},
    {144, 23},
    {168, 24},
    {193, 22},
    {216, 23},
    {240, 24},
    {265, 22},
}};

}  // namespace vantorel
