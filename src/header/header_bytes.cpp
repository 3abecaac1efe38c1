#include "header/header_bytes.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vantorel {

namespace {

constexpr char FirstPrintable = 0x20;
constexpr char LastPrintable = 0x7E;
constexpr char Unprintable = '.';
constexpr int OffsetDigits = 4;
constexpr int DecimalBase = 10;
constexpr std::string_view HexDigits = "0123456789ABCDEF";
// Width of a full row's hex column, so that the text column of a short last row lines up.
constexpr std::size_t HexColumnWidth = 3 * HeaderBytesPerRow - 1;
constexpr std::string_view ColumnGap = "  ";
std::string DecimalOffset(std::size_t offset) {
  std::string digits(OffsetDigits, '0');
  for (int i = OffsetDigits - 1; i >= 0 && offset > 0; --i, offset /= DecimalBase)
    digits[std::size_t(i)] = char('0' + offset % DecimalBase);
  return digits;
}

}  // namespace

std::vector<HeaderByteRow> HeaderByteRows(std::span<const std::uint8_t> headerRecord) {
  const std::size_t length = std::min(headerRecord.size(), std::size_t{RecordBytes});
  std::vector<HeaderByteRow> rows;
  for (std::size_t offset = 0; offset < length; offset += HeaderBytesPerRow) {
    HeaderByteRow row{offset, {}, {}};
    const std::size_t end = std::min(length, offset + HeaderBytesPerRow);
    for (std::size_t i = offset; i < end; ++i) {
      const std::uint8_t code = headerRecord[i];
      if (i > offset) row.Hex += ' ';
      row.Hex += HexDigits[code >> 4];
      row.Hex += HexDigits[code & 0xF];
      const char c = EbcdicChar(code);
      row.Text += c >= FirstPrintable && c <= LastPrintable ? c : Unprintable;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<HeaderFieldSource> HeaderFieldSources(const HeaderState& header) {
  std::vector<HeaderFieldSource> sources;
  if (header.HeaderKind == DataSet::Mariner9) {
    for (int i = 0; i < Mariner9LineCount; ++i) {
      const ByteRange piece = Mariner9LinePieces[std::size_t(i)];
      std::string name = "Mariner 9 line ";
      name += std::to_string(i + 1);
      sources.push_back(
          {std::move(name), {HeaderTextBytes.Offset + piece.Offset, piece.Length}, header.InfoBox2[std::size_t(i)]});
    }
    return sources;
  }
  const HeaderFields& fields = header.Fields;
  // The mark, camera and filter are raw byte tests; their values are what the Info box made of them.
  sources.push_back({"Mariner 10 mark",
                     {Mariner10MarkOffsets.front(), Mariner10MarkOffsets.size()},
                     header.InfoBoxValue(InfoBoxField::Spacecraft)});
  sources.push_back({"Data set suffix", DataSetSuffixBytes, fields.DataSetSuffix});
  sources.push_back({"FDS count", FdsCountBytes, fields.FdsCount});
  sources.push_back({"Year", YearBytes, fields.Year});
  sources.push_back({"Day", DayBytes, fields.Day});
  sources.push_back({"GMT", GmtBytes, fields.Gmt});
  sources.push_back({"Camera", {CameraOffset, 1}, header.InfoBoxValue(InfoBoxField::Camera)});
  sources.push_back({"Filter", {FilterOffset, 1}, header.InfoBoxValue(InfoBoxField::Filter)});
  sources.push_back({"Exposure", ExposureBytes, fields.Exposure});
  return sources;
}

std::string HeaderBytesText(const std::vector<HeaderByteRow>& rows, const std::vector<HeaderFieldSource>& fields) {
  std::string text;
  for (const HeaderByteRow& row : rows) {
    text += DecimalOffset(row.Offset);
    text += ColumnGap;
    text += row.Hex;
    text.append(HexColumnWidth - std::min(HexColumnWidth, row.Hex.size()), ' ');
    text += ColumnGap;
    text += row.Text;
    text += '\n';
  }
  text += '\n';
  for (const HeaderFieldSource& field : fields) {
    text += DecimalOffset(field.Bytes.Offset);
    text += ' ';
    text += std::to_string(field.Bytes.Length);
    text += ' ';
    text += field.Name;
    text += ": ";
    text += field.Value;
    text += '\n';
  }
  return text;
}

}  // namespace vantorel
