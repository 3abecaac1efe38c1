// Finding the next flagged byte of a chunk quickly, eight flags at a time.
#pragma once

#include <cstdint>
#include <cstring>

namespace vantorel {

// Index of the first non-zero flag at or after from, or length when there is none.
inline int NextFlag(const std::uint8_t* flags, int from, int length) {
  int i = from;
  for (std::uint64_t word = 0; i + 8 <= length; i += 8) {
    std::memcpy(&word, flags + i, sizeof word);
    if (word != 0) break;
  }
  while (i < length && flags[i] == 0) ++i;
  return i;
}

}  // namespace vantorel
