// Decoding of the EBCDIC engineering header (record 0) of a frame.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "frames/frame_layout.h"
#include "header/header_layout.h"

namespace vantorel {

// The Mariner 10 fields, each decoded one character per header byte.
struct HeaderFields {
  std::string DataSetSuffix;  // 2
  std::string FdsCount;       // 7
  std::string Year;           // 2
  std::string Day;            // 3
  std::string Gmt;            // 8, "hh/mm/ss"
  std::string Exposure;       // 7
  std::string FilterDigit;    // "1".."8", " ", or empty without the Mariner 10 mark
};

// Which data set's header a frame has; the values are those the Info box code knows.
enum class DataSet : int { Mariner10 = 1, Mariner9 = 2 };

inline constexpr int InfoBoxLabelCount = 9;
inline constexpr int InfoBox2LabelCount = Mariner9LineCount;

using LabelCardSet = std::array<std::string, LabelCardCount>;

// Everything a decode produces. InfoBox2 keeps its texts across decodes that
// do not find a Mariner 9 header; everything else is rewritten by each decode.
struct HeaderState {
  DataSet HeaderKind = DataSet::Mariner10;
  std::string HeaderText;  // 432 characters from offsets 72..503
  HeaderFields Fields;
  std::array<std::string, InfoBoxLabelCount> InfoBox;
  std::array<std::string, InfoBox2LabelCount> InfoBox2;
  LabelCardSet LabelCards;  // 36 cards; 28..36 always empty
};

// One header byte as a one-character text (a space for unmapped codes).
char EbcdicChar(std::uint8_t code);

// Decodes header offsets 0..503 of workFrame (as read, before any arrangement)
// and rebuilds the label cards.
void DecodeHeader(std::span<const std::uint8_t> workFrame, std::string_view currentFileName, HeaderState& state);

// Cards 1..27 from the decode results; called last by DecodeHeader.
void BuildLabelCards(std::string_view currentFileName, HeaderState& state);

}  // namespace vantorel
