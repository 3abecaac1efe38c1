#include <array>
#include <cstddef>

#include "header/header_decode.h"

namespace vantorel {

namespace {

constexpr std::size_t EbcdicCodeCount = 256;

// Fills `count` consecutive codes from `firstCode` with consecutive characters.
constexpr void MapRun(std::array<char, EbcdicCodeCount>& table, std::size_t firstCode, char firstChar, int count) {
  for (int i = 0; i < count; ++i) table[firstCode + std::size_t(i)] = char(firstChar + i);
}

// The subset of code page 037 the headers use. Everything else, the EBCDIC
// space (40) and lower-case letters included, reads as a space.
constexpr std::array<char, EbcdicCodeCount> MakeEbcdicTable() {
  std::array<char, EbcdicCodeCount> table{};
  table.fill(' ');
  table[0x20] = ' ';
  table[0x4B] = '.';
  table[0x4E] = '+';
  table[0x5E] = ';';
  table[0x60] = '-';
  table[0x61] = '/';
  table[0x7A] = ':';
  table[0x7E] = '=';
  table[0xC0] = '{';
  table[0xD0] = '}';
  MapRun(table, 0xC1, 'A', 9);
  MapRun(table, 0xD1, 'J', 9);
  MapRun(table, 0xE2, 'S', 8);
  MapRun(table, 0xF0, '0', 10);
  return table;
}

constexpr std::array<char, EbcdicCodeCount> EbcdicTable = MakeEbcdicTable();

}  // namespace

char EbcdicChar(std::uint8_t code) { return EbcdicTable[code]; }

void EbcdicChars(std::span<const std::uint8_t> codes, char* out) {
  for (const std::uint8_t code : codes) *out++ = EbcdicTable[code];
}

}  // namespace vantorel
