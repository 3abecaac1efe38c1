// Per-frame contrast-stretch codes, looked up by two characters of the frame
// file's name (the table selector) and its frame number (the entry).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vantorel {

inline constexpr int PrimaryStretchTableCount = 57;
inline constexpr int MmeStretchTableCount = 34;
inline constexpr int StretchTableEntries = 230;

// The code a frame gets when no table entry says otherwise: gain 2, offset 0.
inline constexpr std::uint8_t DefaultStretchCode = 2;

// Entry i - 1 holds the code of frame number i.
using StretchTable = std::array<std::uint8_t, StretchTableEntries>;

template <std::size_t TableCount>
using StretchTableSet = std::array<StretchTable, TableCount>;

// Tables for names that do not begin "MME"; selector "01" is element 0.
extern const StretchTableSet<PrimaryStretchTableCount> PrimaryStretchTables;
// Tables for "MME" names; their codes are used plus one.
extern const StretchTableSet<MmeStretchTableCount> MmeStretchTables;

// Code of frame number `entry` (1..230) in table `table` (1 for selector "01").
template <std::size_t TableCount>
constexpr std::uint8_t StretchCode(const StretchTableSet<TableCount>& set, int table, int entry) {
  return set[std::size_t(table - 1)][std::size_t(entry - 1)];
}

}  // namespace vantorel
