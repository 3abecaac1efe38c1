#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "header/ascii_text.h"
#include "header/header_decode.h"
#include "support/ebcdic_text.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::EbcdicCode;
using testing::Mariner10Frame;
using testing::Mariner9Frame;

const std::array<std::string, InfoBoxLabelCount> UnknownTexts = {
    "Spacecraft = Unknown", "Data set = Unknown", "FDS count = Unknown", "Year = Unknown",     "Day = Unknown",
    "GMT = Unknown",        "Camera = Unknown",   "Filter = Unknown",    "Exposure = Unknown",
};

// Decodes frame under name with the given header bytes changed first.
HeaderState Decode(FrameBuffer frame, std::string_view name = "f.img",
                   std::initializer_list<std::pair<std::size_t, std::uint8_t>> changes = {}) {
  for (const auto& [offset, byte] : changes) frame[offset] = byte;
  HeaderState state;
  DecodeHeader(frame, name, state);
  return state;
}

TEST(EbcdicChar, DecodesHeaderCharactersAndEverythingElseToASpace) {
  for (std::uint8_t code : {0x20, 0x00, 0x81, 0xFF}) EXPECT_EQ(EbcdicChar(code), ' ') << int(code);
  for (char c : std::string_view("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .+;-/:={}"))
    EXPECT_EQ(EbcdicChar(EbcdicCode(c)), c) << c;
}

TEST(DecodeHeader, FlightMariner10HeaderFillsAllNineLabels) {
  const HeaderState state = Decode(Mariner10Frame(), "mvm0166788.img");
  EXPECT_EQ(state.HeaderKind, DataSet::Mariner10);
  // The leading spaces of the exposure stay in the ninth label.
  const std::array<std::string, InfoBoxLabelCount> expected = {
      "Spacecraft = Mariner 10",
      "Data set = MVM73",
      "FDS count = 0166788",
      "Year = 74",
      "Day = 029",
      "GMT = 12/34/56",
      "Camera = A",
      "Filter = Clear",
      "Exposure =     360 MSEC",
  };
  EXPECT_EQ(state.InfoBox, expected);
  EXPECT_EQ(state.Fields.FilterDigit, "5");
  for (const std::string& line : state.InfoBox2) EXPECT_TRUE(line.empty());
}

TEST(DecodeHeader, Mariner9HeaderFillsTheTwelveLinesUntrimmed) {
  const HeaderState state = Decode(Mariner9Frame(), "frame.img");
  EXPECT_EQ(state.HeaderKind, DataSet::Mariner9);
  for (std::size_t i = 0; i < testing::Mariner9Lines.size(); ++i)
    EXPECT_EQ(state.InfoBox2[i], testing::Mariner9Lines[i]) << "line " << i + 1;
  EXPECT_EQ(state.InfoBox, UnknownTexts);
}

// A name beginning with "mme" in any case makes a Mariner 9 frame whatever the
// header holds, the Mariner 10 labels included; nothing else in a name does.
TEST(DecodeHeader, OnlyAnMmeNameMarksAMariner9FrameByName) {
  for (const auto& [name, mariner9] : {std::pair{"MME0785.IMG", true},
                                       {"mme0785.img", true},
                                       {"Mme", true},
                                       {"mMe_x", true},
                                       {"", false},
                                       {"MM", false},
                                       {" MME.IMG", false}}) {
    const HeaderState blank = Decode(MakeFrameBuffer(), name), marked = Decode(Mariner10Frame(), name);
    EXPECT_EQ(blank.HeaderKind, mariner9 ? DataSet::Mariner9 : DataSet::Mariner10) << name;
    EXPECT_EQ(marked.HeaderKind, mariner9 ? DataSet::Mariner9 : DataSet::Mariner10) << name;
    EXPECT_EQ(marked.InfoBox2[0], mariner9 ? "MVM73        0166788   " : "") << name;
    EXPECT_EQ(marked.InfoBox[6], "Camera = A") << name;
  }
}

// "MARINER 9" at offsets 72..80 marks a Mariner 9 frame under any name; the
// space at offset 79 is any byte that decodes to a space. Near misses do not.
TEST(DecodeHeader, Mariner9MarkInTheHeader) {
  for (std::uint8_t space : {0x40, 0x20, 0x00, 0x81, 0xFF})
    for (const char* name : {"", "a", "ab", "frame.img"}) {
      const HeaderState state = Decode(Mariner9Frame(), name, {{79, space}});
      EXPECT_EQ(state.HeaderKind, DataSet::Mariner9) << int(space) << " " << name;
      EXPECT_EQ(state.InfoBox2[0], "MARINER 9 CAM A  ORB 12") << int(space) << " " << name;
    }
  for (const auto& [offset, byte] : {std::pair<std::size_t, std::uint8_t>{79, 0x4B}, {80, 0xF8}, {72, 0xD5}})
    EXPECT_EQ(Decode(Mariner9Frame(), "f.img", {{offset, byte}}).HeaderKind, DataSet::Mariner10) << offset;
}

// Decoded into a state that last held a flight frame, so that nothing lingers.
TEST(DecodeHeader, WithoutBothF7MarksAllLabelsAreUnknown) {
  for (const auto& [first, second] : {std::pair<std::uint8_t, std::uint8_t>{0xF7, 0xF8}, {0xF8, 0xF7}, {0, 0}}) {
    HeaderState state;
    DecodeHeader(Mariner10Frame(), "a.img", state);
    FrameBuffer frame = Mariner10Frame();
    frame[0] = first;
    frame[1] = second;
    DecodeHeader(frame, "b.img", state);
    EXPECT_EQ(state.HeaderKind, DataSet::Mariner10);
    EXPECT_EQ(state.InfoBox, UnknownTexts);
    EXPECT_TRUE(state.Fields.FilterDigit.empty());
    EXPECT_EQ(state.Fields.FdsCount, "0166788");  // still decoded: the cards need it
  }
}

TEST(DecodeHeader, CameraAndFilterBytes) {
  for (const auto& [code, text] : {std::pair<std::uint8_t, const char*>{0xC1, "A"}, {0xC2, "B"}, {0xC3, "Unknown"}})
    EXPECT_EQ(Decode(Mariner10Frame(), "f.img", {{CameraOffset, code}}).InfoBox[6], std::string("Camera = ") + text);
  const char* const filters[] = {"Unknown",
                                 "Wide-angle image relay mirror",
                                 "Blue bandpass",
                                 "UV polarizing",
                                 "Minus UV high pass",
                                 "Clear",
                                 "UV bandpass",
                                 "Defocusing lens",
                                 "Yellow bandpass)",
                                 "Unknown"};
  for (int digit = 0; digit <= 9; ++digit) {
    const HeaderState state = Decode(Mariner10Frame(), "f.img", {{FilterOffset, std::uint8_t(0xF0 + digit)}});
    EXPECT_EQ(state.InfoBox[7], std::string("Filter = ") + filters[digit]) << digit;
    EXPECT_EQ(state.Fields.FilterDigit, digit >= 1 && digit <= 8 ? std::to_string(digit) : " ") << digit;
  }
}

TEST(DecodeHeader, GmtSlashesWhateverOffsets132And135Hold) {
  for (std::uint8_t separator : {0x00, 0x7A, 0xF5, 0xFF})
    EXPECT_EQ(Decode(Mariner10Frame(), "f.img",
                     {{GmtHourBytes.Offset + 2, separator}, {GmtMinuteBytes.Offset + 2, separator}})
                  .InfoBox[5],
              "GMT = 12/34/56")
        << int(separator);
}

TEST(DecodeHeader, Mariner10AfterMariner9KeepsTheMariner9Lines) {
  HeaderState state;
  DecodeHeader(Mariner9Frame(), "frame.img", state);
  const auto mariner9Lines = state.InfoBox2;
  DecodeHeader(Mariner10Frame(), "mvm0166788.img", state);
  EXPECT_EQ(state.HeaderKind, DataSet::Mariner10);
  EXPECT_EQ(state.InfoBox2, mariner9Lines);
  EXPECT_EQ(state.InfoBox[0], "Spacecraft = Mariner 10");
  EXPECT_EQ(state.LabelCards[5], "IMAGE_SOURCE_ID                 = 'NSSDC_DATA_SET_ID = PSPA-00108'");
}

TEST(BuildLabelCards, CardsOfEachKindOfFrame) {
  FrameBuffer unmarked = Mariner10Frame(), cameraB = Mariner10Frame(), mmeOnly = Mariner9Frame();
  unmarked[1] = 0xF8;
  cameraB[151] = 0xC2;
  cameraB[166] = 0xF0;
  mmeOnly[72] = 0;  // no "MARINER 9" mark: only the name makes it a Mariner 9 frame
  const struct {
    const char* What;
    FrameBuffer Frame;
    const char* Name;
    std::vector<std::pair<int, std::string>> Cards;
  } table[] = {
      {"flight Mariner 10",
       Mariner10Frame(),
       "mvm0166788.img",
       {{6, "IMAGE_SOURCE_ID                 = 'NSSDC_DATA_SET_ID = PSPA-00108'"},
        {15, "PICTURE_NUMBER                  = 'FDS=0166788'"},
        {16, "CAMERA                          = 'CAMERA = A'"},
        {17, "IMAGE_CREATION_DATE             = 'YEAR = 74 DAY = 029 GMT = 12/34/56'"},
        {19, "FILTER_NUMBER                   = '5 FILTER = CLEAR'"},
        {20, "EXPOSURE_DURATION               = '360 MSEC'"},
        {27, "END"}}},
      // The 78 characters of card 17 make the longest card there is.
      {"unmarked Mariner 10",
       unmarked,
       "f.img",
       {{16, "CAMERA                          = 'CAMERA = UNKNOWN'"},
        {17, "IMAGE_CREATION_DATE             = 'YEAR = UNKNOWN DAY = UNKNOWN GMT = UNKNOWN'"},
        {19, "FILTER_NUMBER                   = ' FILTER = UNKNOWN'"},
        {27, "END"}}},
      // An unknown filter of a marked frame keeps its one-space digit.
      {"camera B, filter 0",
       cameraB,
       "f.img",
       {{16, "CAMERA                          = 'CAMERA = B'"},
        {19, "FILTER_NUMBER                   = '  FILTER = UNKNOWN'"}}},
      {"Mariner 9 by its name",
       mmeOnly,
       "mme0785.img",
       {{6, "IMAGE_SOURCE_ID                 = 'NSSDC_DATA_SET_ID = PSPG-00235'"},
        {15, "PICTURE_NUMBER                  = 'PICNO 0123-4567 ORB 120'"},
        {16, "CAMERA                          = 'A'"},
        {17, "IMAGE_CREATION_DATE             = 'DATE 71-320 GMT 12:34:56'"},
        {18, "DAS_TIME                        = 'DAS 01234567 RANGE 999'"},
        {19, "FILTER_NUMBER                   = '  FILTER 4 POS 2 GREEN'"},
        {20, "EXPOSURE_DURATION               = 'EXPOSURE 0.0060 SEC     '"},
        {27, "END"}}},
  };
  for (const auto& row : table) {
    const LabelCardSet cards = Decode(row.Frame, row.Name).LabelCards;
    for (const auto& [number, text] : row.Cards) EXPECT_EQ(cards[std::size_t(number - 1)], text) << row.What;
    for (std::size_t n = 28; n <= cards.size(); ++n) EXPECT_TRUE(cards[n - 1].empty()) << row.What << " " << n;
  }
}

// Upper case, at most twenty characters, one "?" per non-ASCII character.
TEST(BuildLabelCards, FileNameCard) {
  for (const auto& [name, value] : {std::pair<const char*, const char*>{"MiXeD_1.Img", "MIXED_1.IMG"},
                                    {"zodiac_z.img", "ZODIAC_Z.IMG"},
                                    {"abcdefghijklmnopqrstuvwxyz.img", "ABCDEFGHIJKLMNOPQRST"},
                                    {"", ""},
                                    // A FITS string doubles its apostrophes; twenty of them still fit the card.
                                    {"o'brien.012", "O''BRIEN.012"},
                                    {"''''''''''''''''''''''''.012", "''''''''''''''''''''''''''''''''''''''''"},
                                    {"\xC3\xA4rger_\xC3\xBC"
                                     "ber.img",
                                     "?RGER_?BER.IMG"},
                                    {"\xE7\x81\xAB\xE6\x98\x9F_mercury_0001_long.img", "??_MERCURY_0001_LONG"},
                                    {"\xF0\x9F\x98\x80"
                                     "a\xFF",
                                     "?A?"}})
    EXPECT_EQ(Decode(Mariner10Frame(), name).LabelCards[13],
              std::string("FILE_NAME                       = '") + value + "'")
        << name;
}

// Names on a terminal: text in any script stays; controls (C0, DEL, C1 as
// UTF-8) and bytes that are not UTF-8 cannot reach it raw.
TEST(EscapedForTerminal, KeepsTextAndEscapesControls) {
  for (const auto& [name, shown] : {std::pair<const char*, const char*>{"Mercury_0001.img", "Mercury_0001.img"},
                                    {"\xC3\xA4rger \xE7\x81\xAB", "\xC3\xA4rger \xE7\x81\xAB"},
                                    {"a\x1B[2J\a\r\x7F", "a\\x1B[2J\\x07\\x0D\\x7F"},
                                    {"\xC2\x9B"
                                     "1m\xC2\xA0",
                                     "\\xC2\\x9B1m\xC2\xA0"},
                                    {"\xFF\xC3", "\\xFF\\xC3"}})
    EXPECT_EQ(EscapedForTerminal(name), shown) << shown;
}

// The typed record of every sample frame and of the edge headers: what the
// header holds, and nothing for what it does not.
TEST(DecodeHeader, TypedRecordOfEachSampleAndEdgeHeader) {
  const auto sample = [](const char* name) {
    const std::vector<std::uint8_t> bytes = testing::ReadBytes(std::string(VANTOREL_SAMPLES_DIR "/") + name);
    return FrameBuffer(bytes.begin(), bytes.begin() + std::min(bytes.size(), std::size_t(FrameBytes)));
  };
  FrameBuffer unmarked = Mariner10Frame(), oddBytes = Mariner10Frame();
  unmarked[1] = 0xF8;
  oddBytes[CameraOffset] = 0xC3;
  oddBytes[FilterOffset] = 0xF0;
  const auto mariner10 = testing::Mariner10Record;
  HeaderRecord oddRecord =
      mariner10("MVM73", "0166788", 'A', 5, "", 0.36, {"74", "029", "12/34/56", "1974-01-29T12:34:56"});
  oddRecord.Camera = oddRecord.FilterNumber = std::nullopt, oddRecord.FilterName = std::nullopt;
  const HeaderRecord mariner9{
      .Kind = DataSet::Mariner9, .Spacecraft = DataSet::Mariner9, .NssdcDataSetId = "PSPG-00235"};
  const struct {
    const char* Name;
    FrameBuffer Frame;
    HeaderRecord Record;
  } table[] = {
      {"m9.img",
       Mariner9Frame(),
       {.Kind = DataSet::Mariner9,
        .Spacecraft = DataSet::Mariner9,
        .NssdcDataSetId = "PSPG-00235",
        .PictureNumber = "0123-4567",
        .Camera = 'A',
        .FilterNumber = 4,
        .FilterName = "GREEN",
        .ExposureSeconds = 0.006,
        .Observed = {"1971", "320", "12:34:56", "1971-11-16T12:34:56"},
        .Target = "MARS",
        .Revolution = 12}},
      {"unmarked.img", unmarked, {.Kind = DataSet::Mariner10, .NssdcDataSetId = "PSPA-00108"}},
      {"odd-bytes.img", oddBytes, oddRecord},
      {"mme-over-mariner10.img", Mariner10Frame(), mariner9},
  };
  for (const auto& row : table) {
    const std::string name = std::string_view(row.Name).starts_with("mme-") ? "MME0785.IMG" : row.Name;
    EXPECT_TRUE(Decode(row.Frame, name).Record == row.Record) << row.Name;
    EXPECT_TRUE(DecodeHeaderRecord(row.Frame, name) == row.Record) << row.Name;
  }
  for (const auto& [name, record] : testing::SampleHeaderRecords())
    EXPECT_TRUE(Decode(sample(name.c_str()), name).Record == record) << name;
}

}  // namespace
}  // namespace vantorel
