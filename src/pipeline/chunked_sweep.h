// The in-place sweeps (reconstruction, despeckle) walk the frame in chunks:
// the cheap part of a decision is worked out for a whole chunk at once, which
// the compiler vectorises, and the flagged bytes are then visited in order.
#pragma once

#include <algorithm>
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
