#include "pipeline/stretch_code_tables.h"

#include <initializer_list>

namespace vantorel {

namespace {

// A known stretch of a table: codes for consecutive frames from `firstEntry` on.
struct KnownCodes {
  int table;
  int firstEntry;
  std::initializer_list<std::uint8_t> codes;
};

template <std::size_t TableCount>
constexpr StretchTableSet<TableCount> BuildTables(std::initializer_list<KnownCodes> known) {
  StretchTableSet<TableCount> set{};
  for (StretchTable& table : set) table.fill(DefaultStretchCode);
  for (const KnownCodes& run : known) {
    std::size_t index = std::size_t(run.firstEntry - 1);
    for (std::uint8_t code : run.codes) set[std::size_t(run.table - 1)][index++] = code;
  }
  return set;
}

}  // namespace

// Only the entries listed below are known codes of the frames they belong to;
// every other entry of both sets is a stand-in holding the default code 2, so
// an unknown frame stretches with gain 2 (gain 3 for an "MME" frame, whose
// codes are used plus one) until its true code is entered here.
constexpr StretchTableSet<PrimaryStretchTableCount> PrimaryStretchTables = BuildTables<PrimaryStretchTableCount>({
    {1, 1, {25, 23, 25, 24, 24, 24, 24, 24, 24, 23, 33, 53, 23, 13, 13, 24, 34, 34, 2, 2}},
    {5, 227, {12}},
    {57, 1, {2, 2, 2, 2, 2, 2, 2, 2, 22, 22, 22, 2, 2, 2, 2, 2, 2, 2, 12, 22}},
});

constexpr StretchTableSet<MmeStretchTableCount> MmeStretchTables = BuildTables<MmeStretchTableCount>({
    {1, 1, {0, 0, 0, 31, 11, 31, 41, 91, 91, 61, 121, 111, 91, 31, 0, 21, 21, 61, 51, 31}},
});

}  // namespace vantorel
