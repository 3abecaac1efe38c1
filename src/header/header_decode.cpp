#include "header/header_decode.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <utility>

#include "frames/file_name.h"

namespace vantorel {

namespace {

// The decoded text of the Mariner 9 header: offsets 72..503.
constexpr std::size_t HeaderTextOffset = 72;
constexpr std::size_t HeaderTextLength = 432;

constexpr std::string_view Mariner9HeaderMark = "MARINER 9";

// Offsets 0 and 1 both hold EBCDIC "7" in a Mariner 10 header.
constexpr std::size_t Mariner10MarkOffsets[] = {0, 1};
constexpr std::uint8_t Mariner10MarkByte = 0xF7;

struct ByteRange {
  std::size_t offset;
  std::size_t length;
};

constexpr ByteRange DataSetSuffixBytes{75, 2};
constexpr ByteRange FdsCountBytes{85, 7};
constexpr ByteRange YearBytes{115, 2};
constexpr ByteRange DayBytes{122, 3};
// GMT is three two-digit groups; the separators between them are not read.
constexpr ByteRange GmtHourBytes{130, 2};
constexpr ByteRange GmtMinuteBytes{133, 2};
constexpr ByteRange GmtSecondBytes{136, 2};
constexpr char GmtSeparator = '/';
constexpr ByteRange ExposureBytes{196, 7};

constexpr std::size_t CameraOffset = 151;
constexpr std::uint8_t CameraACode = 0xC1;
constexpr std::uint8_t CameraBCode = 0xC2;

constexpr std::size_t FilterOffset = 166;
constexpr std::uint8_t FirstFilterCode = 0xF1;  // EBCDIC "1"
constexpr std::string_view FilterNames[] = {
    "Wide-angle image relay mirror", "Blue bandpass", "UV polarizing",    "Minus UV high pass",
    "Clear",                         "UV bandpass",   "Defocusing lens", "Yellow bandpass)",
};
constexpr std::size_t FilterCount = std::size(FilterNames);
constexpr std::string_view UnknownFilterDigit = " ";

// The twelve InfoBox2 lines, as 0-based positions in HeaderText: three lines
// per 72 characters, one character skipped after each.
constexpr ByteRange InfoBox2Pieces[InfoBox2LabelCount] = {
    {0, 23},   {24, 24},  {49, 22},  {72, 23},  {96, 24},  {121, 22},
    {144, 23}, {168, 24}, {193, 22}, {216, 23}, {240, 24}, {265, 22},
};

// Bytes beyond the buffer read as zero, as they would in a short frame.
std::uint8_t HeaderByte(std::span<const std::uint8_t> frame, std::size_t offset) {
  return offset < frame.size() ? frame[offset] : std::uint8_t{0};
}

std::string DecodeRange(std::span<const std::uint8_t> frame, ByteRange range) {
  std::string text;
  text.reserve(range.length);
  for (std::size_t i = 0; i < range.length; ++i) text += EbcdicChar(HeaderByte(frame, range.offset + i));
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
    state.InfoBox2[i] = headerText.substr(InfoBox2Pieces[i].offset, InfoBox2Pieces[i].length);
}

HeaderFields DecodeFields(std::span<const std::uint8_t> frame) {
  HeaderFields fields;
  fields.DataSetSuffix = DecodeRange(frame, DataSetSuffixBytes);
  fields.FdsCount = DecodeRange(frame, FdsCountBytes);
  fields.Year = DecodeRange(frame, YearBytes);
  fields.Day = DecodeRange(frame, DayBytes);
  fields.Gmt = DecodeRange(frame, GmtHourBytes) + GmtSeparator + DecodeRange(frame, GmtMinuteBytes) +
               GmtSeparator + DecodeRange(frame, GmtSecondBytes);
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
      "Spacecraft = Unknown", "Data set = Unknown", "FDS count = Unknown",
      "Year = Unknown",       "Day = Unknown",      "GMT = Unknown",
      "Camera = Unknown",     "Filter = Unknown",   "Exposure = Unknown",
  };
  state.Fields.FilterDigit.clear();
}

}  // namespace

void DecodeHeader(std::span<const std::uint8_t> workFrame, std::string_view currentFileName, HeaderState& state) {
  state.HeaderKind = 1;

  state.HeaderText = DecodeRange(workFrame, {HeaderTextOffset, HeaderTextLength});
  if (HasMariner9Header(currentFileName, state.HeaderText)) {
    FillInfoBox2(state.HeaderText, state);
    state.HeaderKind = 2;
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
