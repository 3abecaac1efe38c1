// Decoding of the EBCDIC engineering header (record 0) of a frame.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "frames/frame_layout.h"
#include "header/header_layout.h"
#include "header/header_record.h"

namespace vantorel {

// The Mariner 10 fields, each decoded one character per header byte: the
// texts the Info box and the label cards show as they are.
struct HeaderFields {
  std::string DataSetSuffix;  // 2
  std::string FdsCount;       // 7
  std::string Year;           // 2
  std::string Day;            // 3
  std::string Gmt;            // 8, "hh/mm/ss"
  std::string Exposure;       // 7
  std::string FilterDigit;    // "1".."8", " ", or empty without the Mariner 10 mark
};

// The nine entries of the Mariner 10 Info box, in label order: each label
// reads "Caption = value".
enum class InfoBoxField { Spacecraft, DataSet, FdsCount, Year, Day, Gmt, Camera, Filter, Exposure };
inline constexpr int InfoBoxLabelCount = 9;

struct InfoBoxFieldName {
  std::string_view Caption;  // "FDS count"
};
inline constexpr std::array<InfoBoxFieldName, InfoBoxLabelCount> InfoBoxFieldNames = {{
    {"Spacecraft"},
    {"Data set"},
    {"FDS count"},
    {"Year"},
    {"Day"},
    {"GMT"},
    {"Camera"},
    {"Filter"},
    {"Exposure"},
}};

// The text "Unknown" the Info box shows for what the header does not say.
inline constexpr std::string_view UnknownValue = "Unknown";
inline constexpr int InfoBox2LabelCount = Mariner9LineCount;

using LabelCardSet = std::array<std::string, LabelCardCount>;

// Everything a decode produces. InfoBox2 keeps its texts across decodes that
// do not find a Mariner 9 header; everything else is rewritten by each decode.
struct HeaderState {
  DataSet HeaderKind = DataSet::Mariner10;
  std::string HeaderText;  // 432 characters from offsets 72..503
  HeaderFields Fields;
  HeaderRecord Record;
  std::array<std::string, InfoBoxLabelCount> InfoBoxValues;  // "A" of "Camera = A"
  std::array<std::string, InfoBoxLabelCount> InfoBox;

  const std::string& InfoBoxValue(InfoBoxField field) const { return InfoBoxValues[std::size_t(field)]; }
  const std::string& InfoBoxLabel(InfoBoxField field) const { return InfoBox[std::size_t(field)]; }
  std::array<std::string, InfoBox2LabelCount> InfoBox2;
  LabelCardSet LabelCards;  // 36 cards; 28..36 always empty
};

// One header byte as a one-character text (a space for unmapped codes).
char EbcdicChar(std::uint8_t code);
// Header bytes as text, one character each, into out (codes.size() characters).
void EbcdicChars(std::span<const std::uint8_t> codes, char* out);

// Decodes header offsets 0..503 of workFrame (as read, before any arrangement)
// and rebuilds the label cards.
void DecodeHeader(std::span<const std::uint8_t> workFrame, std::string_view currentFileName, HeaderState& state);

// DecodeHeader's Record alone, without the Info box texts and the cards: for
// readers of many headers, such as the catalogue.
HeaderRecord DecodeHeaderRecord(std::span<const std::uint8_t> workFrame, std::string_view currentFileName);

// Cards 1..27 from the decode results; called last by DecodeHeader.
void BuildLabelCards(std::string_view currentFileName, HeaderState& state);

}  // namespace vantorel
