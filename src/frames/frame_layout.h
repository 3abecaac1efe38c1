// The in-memory layout that every frame is brought into, whatever its data set.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantorel {

// One record of a frame file; also the stride between image lines in memory.
inline constexpr int RecordBytes = 968;
// Image lines a frame can hold (records 1..700).
inline constexpr int FrameLines = 700;
// Picture samples at the start of every image-line record; the rest is suffix.
inline constexpr int PictureSamples = 832;

// Records held in memory: header, 700 lines and 25 records never shown.
inline constexpr int FrameRecords = 726;
inline constexpr std::size_t FrameBytes = std::size_t{FrameRecords} * RecordBytes;  // 702,768

// The three file sizes the directory listing accepts.
inline constexpr std::int64_t ShortFrameFileBytes = 670'824;     // 693 records
inline constexpr std::int64_t FullFrameFileBytes = 702'768;      // 726 records
inline constexpr std::int64_t Mariner9FrameFileBytes = 704'176;  // 727 records and 440 bytes

// Header byte that selects the Mariner 9 arrangement, and its value (EBCDIC "9").
inline constexpr std::size_t Mariner9MarkOffset = 80;
inline constexpr std::uint8_t Mariner9MarkByte = 0xF9;

// The composed BMP: 54-byte header and 700 bottom-up rows of 832 BGR pixels.
inline constexpr int BmpHeaderBytes = 54;
inline constexpr int BmpRowBytes = PictureSamples * 3;                               // 2,496
inline constexpr std::size_t BmpPixelBytes = std::size_t{BmpRowBytes} * FrameLines;  // 1,747,200
inline constexpr std::size_t BmpFileBytes = BmpHeaderBytes + BmpPixelBytes;          // 1,747,254
// The render buffer is larger than the BMP it holds; the tail stays zero.
inline constexpr std::size_t BitmapImageBytes =
    BmpHeaderBytes + std::size_t{3} * RecordBytes * FrameLines;  // 2,032,854

// Grey plane written after the FITS cards: 700 rows of 832 samples, line 1 first.
inline constexpr std::size_t FitsPlaneBytes = std::size_t{PictureSamples} * FrameLines;  // 582,400

inline constexpr int OptionCount = 9;
inline constexpr int LabelCardCount = 36;

// Byte offset of sample s (1-based) of image line L (1-based).
constexpr std::size_t SampleOffset(int line, int sample) {
  return std::size_t(line) * RecordBytes + std::size_t(sample - 1);
}

// Index of sample s of image line L (both 1-based) among the picture samples
// alone, line 1 first: in a FitsPlaneBytes buffer of one byte a frame sample.
constexpr std::size_t PictureSampleIndex(int line, int sample) {
  return std::size_t(line - 1) * PictureSamples + std::size_t(sample - 1);
}

// Image lines present for a read of bytesRead bytes: min(700, bytesRead div 968 - 1).
// Zero or negative means no line is present.
constexpr int LineCountFor(std::int32_t bytesRead) {
  const int lines = bytesRead / RecordBytes - 1;  // truncates toward zero, as for -1
  return lines < FrameLines ? lines : FrameLines;
}

using FrameBuffer = std::vector<std::uint8_t>;

// A zero-filled frame-sized buffer.
inline FrameBuffer MakeFrameBuffer() { return FrameBuffer(FrameBytes, 0); }

}  // namespace vantorel
