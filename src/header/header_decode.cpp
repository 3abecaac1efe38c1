#include "header/header_decode.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <utility>

#include "frames/file_name.h"
#include "header/header_layout.h"

namespace vantorel {

namespace {

constexpr std::string_view Mariner9HeaderMark = "MARINER 9";

constexpr char GmtSeparator = '/';
constexpr std::string_view FilterNames[] = {
    "Wide-angle image relay mirror",
    "Blue bandpass",
    "UV polarizing",
    "Minus UV high pass",
    "Clear",
    "UV bandpass",
    "Defocusing lens",
    "Yellow bandpass)",
};
constexpr std::size_t FilterCount = std::size(FilterNames);
constexpr std::string_view UnknownFilterDigit = " ";

// Bytes beyond the buffer read as zero, as they would in a short frame.
std::uint8_t HeaderByte(std::span<const std::uint8_t> frame, std::size_t offset) {
  return offset < frame.size() ? frame[offset] : std::uint8_t{0};
}

std::string DecodeRange(std::span<const std::uint8_t> frame, ByteRange range) {
  std::string text;
  text.reserve(range.Length);
  for (std::size_t i = 0; i < range.Length; ++i) text += EbcdicChar(HeaderByte(frame, range.Offset + i));
  return text;
}

bool HasMariner9Header(std::string_view fileName, std::string_view headerText) {
  const bool namedMariner9 = HasMariner9NamePrefix(fileName);
  // EbcdicChar never yields lower case, so the header text needs no case folding.
  const bool markedMariner9 = headerText.starts_with(Mariner9HeaderMark);
  return namedMariner9 || markedMariner9;
}

bool HasMariner10Mark(std::span<const std::uint8_t> frame) {
  return std::ranges::all_of(Mariner10MarkOffsets,
                             [&](std::size_t offset) { return HeaderByte(frame, offset) == Mariner10MarkByte; });
}

void FillInfoBox2(const std::string& headerText, HeaderState& state) {
  for (int i = 0; i < InfoBox2LabelCount; ++i)
    state.InfoBox2[i] = headerText.substr(Mariner9LinePieces[i].Offset, Mariner9LinePieces[i].Length);
}

HeaderFields DecodeFields(std::span<const std::uint8_t> frame) {
  HeaderFields fields;
  fields.DataSetSuffix = DecodeRange(frame, DataSetSuffixBytes);
  fields.FdsCount = DecodeRange(frame, FdsCountBytes);
  fields.Year = DecodeRange(frame, YearBytes);
  fields.Day = DecodeRange(frame, DayBytes);
  fields.Gmt = DecodeRange(frame, GmtHourBytes) + GmtSeparator + DecodeRange(frame, GmtMinuteBytes) + GmtSeparator +
               DecodeRange(frame, GmtSecondBytes);
  fields.Exposure = DecodeRange(frame, ExposureBytes);
  return fields;
}

std::string CameraLabel(std::uint8_t code) {
  if (code == CameraACode) return "Camera = A";
  if (code == CameraBCode) return "Camera = B";
  return "Camera = Unknown";
}

// The filter's InfoBox text and its digit for the FILTER_NUMBER card.
std::pair<std::string, std::string> FilterLabelAndDigit(std::uint8_t code) {
  if (code < FirstFilterCode || code >= FirstFilterCode + FilterCount)
    return {"Filter = Unknown", std::string(UnknownFilterDigit)};
  return {"Filter = " + std::string(FilterNames[code - FirstFilterCode]), std::string(1, EbcdicChar(code))};
}

void FillMariner10InfoBox(std::span<const std::uint8_t> frame, HeaderState& state) {
  const HeaderFields& fields = state.Fields;
  auto [filterLabel, filterDigit] = FilterLabelAndDigit(HeaderByte(frame, FilterOffset));
  state.InfoBox = {
      "Spacecraft = Mariner 10",
      "Data set = MVM" + fields.DataSetSuffix,
      "FDS count = " + fields.FdsCount,
      "Year = " + fields.Year,
      "Day = " + fields.Day,
      "GMT = " + fields.Gmt,
      CameraLabel(HeaderByte(frame, CameraOffset)),
      std::move(filterLabel),
      "Exposure = " + fields.Exposure + " MSEC",
  };
  state.Fields.FilterDigit = std::move(filterDigit);
}

void FillUnknownInfoBox(HeaderState& state) {
  state.InfoBox = {
      "Spacecraft = Unknown", "Data set = Unknown", "FDS count = Unknown", "Year = Unknown",     "Day = Unknown",
      "GMT = Unknown",        "Camera = Unknown",   "Filter = Unknown",    "Exposure = Unknown",
  };
  state.Fields.FilterDigit.clear();
}

}  // namespace

void DecodeHeader(std::span<const std::uint8_t> workFrame, std::string_view currentFileName, HeaderState& state) {
  state.HeaderKind = DataSet::Mariner10;

  state.HeaderText = DecodeRange(workFrame, HeaderTextBytes);
  if (HasMariner9Header(currentFileName, state.HeaderText)) {
    FillInfoBox2(state.HeaderText, state);
    state.HeaderKind = DataSet::Mariner9;
  }

  // Decoded for every frame: the Mariner 10 cards use them even without the mark.
  state.Fields = DecodeFields(workFrame);

  if (HasMariner10Mark(workFrame))
    FillMariner10InfoBox(workFrame, state);
  else
    FillUnknownInfoBox(state);

  BuildLabelCards(currentFileName, state);
}

}  // namespace vantorel
