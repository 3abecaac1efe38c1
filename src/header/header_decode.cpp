#include "header/header_decode.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <optional>
#include <utility>

#include "frames/file_name.h"
#include "header/header_layout.h"

namespace vantorel {

namespace {

constexpr std::string_view Mariner9HeaderMark = "MARINER 9";

constexpr char GmtSeparator = '/';
constexpr std::string_view UnknownFilterDigit = " ";
constexpr std::string_view Mariner10DataSetPrefix = "MVM";
constexpr std::string_view ExposureUnit = " MSEC";
constexpr double MillisecondsPerSecond = 1000.0;
constexpr int TwoDigitYearBase = 1900;  // the missions flew 1971-75

// Bytes beyond the buffer read as zero, as they would in a short frame.
std::uint8_t HeaderByte(std::span<const std::uint8_t> frame, std::size_t offset) {
  return offset < frame.size() ? frame[offset] : std::uint8_t{0};
}

std::string DecodeRange(std::span<const std::uint8_t> frame, ByteRange range) {
  // Bytes past the end of what was read decode as zeros do.
  std::string text(range.Length, EbcdicChar(0));
  const std::size_t present = std::min(range.Length, frame.size() - std::min(frame.size(), range.Offset));
  EbcdicChars(frame.subspan(std::min(frame.size(), range.Offset), present), text.data());
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

void SplitMariner9Lines(const std::string& headerText, std::array<std::string, InfoBox2LabelCount>& lines) {
  for (int i = 0; i < InfoBox2LabelCount; ++i)
    lines[i] = headerText.substr(Mariner9LinePieces[i].Offset, Mariner9LinePieces[i].Length);
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

std::optional<char> Camera(std::uint8_t code) {
  if (code == CameraACode) return 'A';
  if (code == CameraBCode) return 'B';
  return std::nullopt;
}

// The filter wheel position 1..8 the byte holds as an EBCDIC digit.
std::optional<int> FilterPosition(std::uint8_t code) {
  if (code < FirstFilterCode || code >= FirstFilterCode + FilterPositions) return std::nullopt;
  return code - FirstFilterCode + 1;
}

std::optional<double> ExposureSeconds(const HeaderFields& fields) {
  const std::optional<std::string> text = Trimmed(fields.Exposure);
  const std::optional<int> milliseconds = text ? WholeNumber(*text) : std::nullopt;
  if (!milliseconds) return std::nullopt;
  return *milliseconds / MillisecondsPerSecond;
}

ObservationTime Mariner10Time(const HeaderFields& fields) {
  ObservationTime observed{Trimmed(fields.Year), Trimmed(fields.Day), Trimmed(fields.Gmt), std::nullopt};
  const auto year = observed.Year && observed.Year->size() == 2 ? WholeNumber(*observed.Year) : std::nullopt;
  const auto day =
      observed.DayOfYear && observed.DayOfYear->size() == 3 ? WholeNumber(*observed.DayOfYear) : std::nullopt;
  if (year && day) observed.Utc = UtcTimestamp(TwoDigitYearBase + *year, *day, observed.Gmt.value_or(""));
  return observed;
}

void ReadMariner10Record(std::span<const std::uint8_t> frame, const HeaderFields& fields, HeaderRecord& record) {
  if (!HasMariner10Mark(frame)) return;
  record.Spacecraft = DataSet::Mariner10;
  record.ExposureSeconds = ExposureSeconds(fields);
  record.HeaderDataSetCode = Trimmed(std::string(Mariner10DataSetPrefix) + fields.DataSetSuffix);
  record.FdsCount = Trimmed(fields.FdsCount);
  record.Camera = Camera(HeaderByte(frame, CameraOffset));
  record.FilterNumber = FilterPosition(HeaderByte(frame, FilterOffset));
  if (record.FilterNumber) record.FilterName = std::string(Mariner10FilterName(*record.FilterNumber));
  record.Observed = Mariner10Time(fields);
}

// fields for a Mariner 10 header, lines for a Mariner 9 one.
HeaderRecord ReadRecord(std::span<const std::uint8_t> frame, DataSet kind, const HeaderFields& fields,
                        const std::array<std::string, InfoBox2LabelCount>& lines) {
  HeaderRecord record;
  record.Kind = kind;
  record.NssdcDataSetId = NssdcDataSetId(kind);
  if (kind == DataSet::Mariner9) {
    record.Spacecraft = DataSet::Mariner9;
    ReadMariner9Lines(lines, record);
    return record;
  }
  ReadMariner10Record(frame, fields, record);
  return record;
}

// The Info box values: a marked Mariner 10 header's fields as decoded, and
// "Unknown" for everything without the mark. Filled for a Mariner 9 frame too,
// from the same bytes.
void FillInfoBox(std::span<const std::uint8_t> frame, HeaderState& state) {
  const HeaderFields& fields = state.Fields;
  auto& values = state.InfoBoxValues;
  const bool marked = HasMariner10Mark(frame);
  const std::optional<char> camera = Camera(HeaderByte(frame, CameraOffset));
  const std::optional<int> filter = FilterPosition(HeaderByte(frame, FilterOffset));
  values.fill(std::string(UnknownValue));
  if (marked) {
    const auto set = [&values](InfoBoxField field, std::string value) {
      values[std::size_t(field)] = std::move(value);
    };
    set(InfoBoxField::Spacecraft, std::string(SpacecraftName(DataSet::Mariner10)));
    set(InfoBoxField::DataSet, std::string(Mariner10DataSetPrefix) + fields.DataSetSuffix);
    set(InfoBoxField::FdsCount, fields.FdsCount);
    set(InfoBoxField::Year, fields.Year);
    set(InfoBoxField::Day, fields.Day);
    set(InfoBoxField::Gmt, fields.Gmt);
    if (camera) set(InfoBoxField::Camera, std::string(1, *camera));
    if (filter) set(InfoBoxField::Filter, std::string(Mariner10FilterCaption(*filter)));
    set(InfoBoxField::Exposure, fields.Exposure + std::string(ExposureUnit));
  }
  for (std::size_t i = 0; i < values.size(); ++i)
    state.InfoBox[i] = std::string(InfoBoxFieldNames[i].Caption) + " = " + values[i];
  // The card's digit: the byte itself for a known filter, a space for another, nothing without the mark.
  if (!marked)
    state.Fields.FilterDigit.clear();
  else
    state.Fields.FilterDigit = filter ? std::to_string(*filter) : std::string(UnknownFilterDigit);
}

}  // namespace

void DecodeHeader(std::span<const std::uint8_t> workFrame, std::string_view currentFileName, HeaderState& state) {
  state.HeaderKind = DataSet::Mariner10;

  state.HeaderText = DecodeRange(workFrame, HeaderTextBytes);
  if (HasMariner9Header(currentFileName, state.HeaderText)) {
    SplitMariner9Lines(state.HeaderText, state.InfoBox2);
    state.HeaderKind = DataSet::Mariner9;
  }

  // Decoded for every frame: the Mariner 10 cards use them even without the mark.
  state.Fields = DecodeFields(workFrame);
  state.Record = ReadRecord(workFrame, state.HeaderKind, state.Fields, state.InfoBox2);
  FillInfoBox(workFrame, state);

  BuildLabelCards(currentFileName, state);
}

HeaderRecord DecodeHeaderRecord(std::span<const std::uint8_t> workFrame, std::string_view currentFileName) {
  const std::string headerText = DecodeRange(workFrame, HeaderTextBytes);
  std::array<std::string, InfoBox2LabelCount> lines;
  if (!HasMariner9Header(currentFileName, headerText))
    return ReadRecord(workFrame, DataSet::Mariner10, DecodeFields(workFrame), lines);
  SplitMariner9Lines(headerText, lines);
  return ReadRecord(workFrame, DataSet::Mariner9, {}, lines);
}

}  // namespace vantorel
