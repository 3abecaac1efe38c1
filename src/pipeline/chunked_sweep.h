// The in-place sweeps (reconstruction, despeckle) walk the frame in chunks:
// the cheap part of a decision is worked out for a whole chunk at once, which
// the compiler vectorises, and the flagged bytes are then visited in order.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "frames/frame_layout.h"

namespace vantorel {

// Shorter than a record less one byte, so that every neighbour one line away
// from a byte of a chunk lies wholly outside it: the line above is final and
// the line below untouched while the chunk is worked.
inline constexpr int ChunkBytes = 512;
static_assert(ChunkBytes < RecordBytes - 1);

// 1 for the picture samples of a record and 0 for its suffix, long enough
// that a chunk starting anywhere in a record reads its mask from
// PictureColumns() + (start % RecordBytes) on, without wrapping.
inline const std::uint8_t* PictureColumns() {
  static const auto mask = [] {
    std::array<std::uint8_t, RecordBytes + ChunkBytes> m{};
    for (std::size_t i = 0; i < m.size(); ++i) m[i] = i % RecordBytes < PictureSamples ? 1 : 0;
    return m;
  }();
  return mask.data();
}

// The number of flags set among a chunk's flags of 0 or 1. The words of eight
// flags are added whole, which vectorises: a byte of the sum collects at most
// ChunkBytes / 8 flags, so no byte carries into the next.
inline int CountOnes(const std::uint8_t* flags, int length) {
  static_assert(ChunkBytes / 8 <= UINT8_MAX);
  constexpr std::uint64_t evenBytes = 0x00FF00FF00FF00FF, shortOnes = 0x0001000100010001;
  constexpr int topShortShift = 48;
  std::uint64_t lanes = 0;
  int i = 0;
  for (; i + 8 <= length; i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, flags + i, sizeof word);
    lanes += word;
  }
  // Four 16-bit sums of byte pairs, then their sum in the top 16 bits.
  const std::uint64_t pairs = (lanes & evenBytes) + ((lanes >> 8) & evenBytes);
  int count = int((pairs * shortOnes) >> topShortShift);
  for (; i < length; ++i) count += flags[i];
  return count;
}

inline bool IsPictureSample(int offset) { return offset % RecordBytes < PictureSamples; }

// Visits chunk after chunk of [first, last], handing each its start and length.
template <typename Visit>
void ForEachChunk(int first, int last, Visit visit) {
  for (int start = first; start <= last; start += ChunkBytes) visit(start, std::min(ChunkBytes, last - start + 1));
}

// Index of the first non-zero flag at or after from, or length when there is none.
inline int NextFlag(const std::uint8_t* flags, int from, int length) {
  static_assert(std::endian::native == std::endian::little, "the first flag of a word is its lowest byte");
  int i = from;
  for (std::uint64_t word = 0; i + 8 <= length; i += 8) {
    std::memcpy(&word, flags + i, sizeof word);
    if (word != 0) return i + std::countr_zero(word) / 8;
  }
  while (i < length && flags[i] == 0) ++i;
  return i;
}

// Visits the index of every non-zero flag of a chunk, in order. Most chunks
// hold none, which one vectorised pass over the flags tells.
template <typename Visit>
void ForEachFlag(const std::uint8_t* flags, int length, Visit visit) {
  std::uint8_t any = 0;
  for (int i = 0; i < length; ++i) any |= flags[i];
  if (any == 0) return;
  for (int i = NextFlag(flags, 0, length); i < length; i = NextFlag(flags, i + 1, length)) visit(i);
}

}  // namespace vantorel
