#include "header/header_bytes.h"

#include <gtest/gtest.h>

#include "support/ebcdic_text.h"
#include "viewer/frame_document.h"

namespace vantorel {
namespace {

using testing::Mariner10Frame;
using testing::Mariner9Frame;
using testing::Mariner9LineOffset;
using testing::Mariner9Lines;

// A whole record gives 61 rows, the last of 8 bytes; a short span stops where it does.
TEST(HeaderByteRows, DumpTheRecordInRowsOfSixteen) {
  std::vector<std::uint8_t> record(RecordBytes, 0x00);
  record[0] = 0xF7;
  record[1] = 0xC1;
  record[2] = 0x40;   // EBCDIC space
  record[3] = 0x81;   // lower-case a: not mapped, so a space
  record[15] = 0x4B;  // "."
  record[16] = 0xFF;
  record[RecordBytes - 1] = 0xF9;

  const std::vector<HeaderByteRow> rows = HeaderByteRows(record);
  ASSERT_EQ(rows.size(), 61u);
  EXPECT_EQ(rows[0].Offset, 0u);
  EXPECT_EQ(rows[0].Hex, "F7 C1 40 81 00 00 00 00 00 00 00 00 00 00 00 4B");
  EXPECT_EQ(rows[0].Text, "7A             .");
  EXPECT_EQ(rows[1].Offset, 16u);
  EXPECT_EQ(rows[1].Hex.substr(0, 5), "FF 00");
  EXPECT_EQ(rows.back().Offset, 960u);
  EXPECT_EQ(rows.back().Hex, "00 00 00 00 00 00 00 F9");
  EXPECT_EQ(rows.back().Text, "       9");

  const std::vector<HeaderByteRow> shortRows = HeaderByteRows(std::span(record).first(18));
  ASSERT_EQ(shortRows.size(), 2u);
  EXPECT_EQ(shortRows[1].Hex, "FF 00");
  EXPECT_TRUE(HeaderByteRows({}).empty());
  // Bytes past the record are not header bytes.
  record.resize(2 * RecordBytes, 0xC1);
  EXPECT_EQ(HeaderByteRows(record).size(), 61u);
}

HeaderState Decoded(const FrameBuffer& frame, std::string_view name) {
  HeaderState header;
  DecodeHeader(frame, name, header);
  return header;
}

TEST(HeaderFieldSources, NameTheBytesOfEachField) {
  const std::vector<HeaderFieldSource> mariner10 = HeaderFieldSources(Decoded(Mariner10Frame(), "MVE0101.012"));
  ASSERT_EQ(mariner10.size(), 9u);
  const auto find = [&mariner10](std::string_view name) {
    for (const HeaderFieldSource& source : mariner10)
      if (source.Name == name) return source;
    ADD_FAILURE() << "no field " << name;
    return HeaderFieldSource{};
  };
  const struct {
    std::string_view name;
    std::size_t offset, length;
    std::string_view value;
  } expected[] = {{"Mariner 10 mark", 0, 2, "Mariner 10"},
                  {"Data set suffix", 75, 2, "73"},
                  {"FDS count", 85, 7, "0166788"},
                  {"Year", 115, 2, "74"},
                  {"Day", 122, 3, "029"},
                  {"GMT", 130, 8, "12/34/56"},
                  {"Camera", 151, 1, "A"},
                  {"Filter", 166, 1, "Clear"},
                  {"Exposure", 196, 7, "    360"}};
  for (const auto& field : expected) {
    const HeaderFieldSource source = find(field.name);
    EXPECT_EQ(source.Bytes.Offset, field.offset) << field.name;
    EXPECT_EQ(source.Bytes.Length, field.length) << field.name;
    EXPECT_EQ(source.Value, field.value) << field.name;
  }

  const std::vector<HeaderFieldSource> mariner9 = HeaderFieldSources(Decoded(Mariner9Frame(), "MME0101.001"));
  ASSERT_EQ(mariner9.size(), std::size_t{Mariner9LineCount});
  for (std::size_t i = 0; i < mariner9.size(); ++i) {
    EXPECT_EQ(mariner9[i].Name, "Mariner 9 line " + std::to_string(i + 1));
    EXPECT_EQ(mariner9[i].Bytes.Offset, Mariner9LineOffset(i));
    EXPECT_EQ(mariner9[i].Bytes.Length, Mariner9Lines[i].size());
    EXPECT_EQ(mariner9[i].Value, Mariner9Lines[i]);
  }
  EXPECT_EQ(mariner9[2].Bytes.Offset, 121u);
}

TEST(HeaderBytesText, PutsRowsThenFieldsWithDecimalOffsets) {
  std::vector<std::uint8_t> record(20, 0xF1);
  const std::string text =
      HeaderBytesText(HeaderByteRows(record), {{"FDS count", FdsCountBytes, "0166788"}, {"Day", DayBytes, "029"}});
  EXPECT_EQ(text,
            "0000  F1 F1 F1 F1 F1 F1 F1 F1 F1 F1 F1 F1 F1 F1 F1 F1  1111111111111111\n"
            "0016  F1 F1 F1 F1                                      1111\n"
            "\n"
            "0085 7 FDS count: 0166788\n"
            "0122 3 Day: 029\n");
}

TEST(FrameDocumentHeaderRecord, IsTheFilesFirstRecordAsFarAsItWasRead) {
  testing::TempDir dir;
  std::vector<std::uint8_t> file = testing::Mariner9FrameFile();
  file[Mariner9MarkOffset] = Mariner9MarkByte;  // rearranged on loading: the header must stay
  testing::WriteBytes(dir / "MME0101.001", file);
  FrameDocument document;
  document.Load(dir / "MME0101.001", {});
  ASSERT_EQ(document.HeaderRecord().size(), std::size_t{RecordBytes});
  EXPECT_TRUE(std::equal(document.HeaderRecord().begin(), document.HeaderRecord().end(), file.begin()));

  file.resize(100);
  testing::WriteBytes(dir / "short.001", file);
  document.Load(dir / "short.001", {});
  EXPECT_EQ(document.HeaderRecord().size(), 100u);
  document.Load(dir / "missing.001", {});
  EXPECT_TRUE(document.HeaderRecord().empty());
}

}  // namespace
}  // namespace vantorel
