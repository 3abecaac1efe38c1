#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "header/header_decode.h"
#include "header/header_frames.h"

namespace vantorel {
namespace {

using testing::EbcdicCode;
using testing::Mariner10Frame;
using testing::Mariner9Frame;
using testing::PutEbcdic;

const std::array<std::string, InfoBoxLabelCount> UnknownTexts = {
    "Spacecraft = Unknown", "Data set = Unknown", "FDS count = Unknown", "Year = Unknown",    "Day = Unknown",
    "GMT = Unknown",        "Camera = Unknown",   "Filter = Unknown",    "Exposure = Unknown",
};

HeaderState Decode(const FrameBuffer& frame, std::string_view name) {
  HeaderState state;
  DecodeHeader(frame, name, state);
  return state;
}

TEST(DecodeHeader, FlightMariner10HeaderFillsAllNineLabels) {
  const HeaderState state = Decode(Mariner10Frame(), "mvm0166788.img");
  EXPECT_EQ(state.HeaderKind, 1);
  const std::array<std::string, InfoBoxLabelCount> expected = {
      "Spacecraft = Mariner 10", "Data set = MVM73", "FDS count = 0166788",
      "Year = 74",               "Day = 029",        "GMT = 12/34/56",
      "Camera = A",              "Filter = Clear",   "Exposure =     360 MSEC",
  };
  EXPECT_EQ(state.InfoBox, expected);
  EXPECT_EQ(state.Fields.FilterDigit, "5");
  EXPECT_EQ(state.Fields.Exposure, "    360");
  for (const std::string& line : state.InfoBox2) EXPECT_TRUE(line.empty());
}

TEST(DecodeHeader, HeaderTextCoversOffsets72To503) {
  FrameBuffer frame = MakeFrameBuffer();
  frame[71] = EbcdicCode('X');
  frame[72] = EbcdicCode('A');
  frame[503] = EbcdicCode('Z');
  frame[504] = EbcdicCode('Y');
  const HeaderState state = Decode(frame, "x.img");
  ASSERT_EQ(state.HeaderText.size(), 432u);
  EXPECT_EQ(state.HeaderText.front(), 'A');
  EXPECT_EQ(state.HeaderText.back(), 'Z');
}

TEST(DecodeHeader, Mariner9HeaderFillsTheTwelveLinesUntrimmed) {
  const HeaderState state = Decode(Mariner9Frame(), "frame.img");
  EXPECT_EQ(state.HeaderKind, 2);
  for (std::size_t i = 0; i < testing::Mariner9Lines.size(); ++i)
    EXPECT_EQ(state.InfoBox2[i], testing::Mariner9Lines[i]) << "Label" << i + 1;
  EXPECT_EQ(state.InfoBox, UnknownTexts);
}

// Names beginning with "mme" in any case are Mariner 9 frames whatever the header holds.
class Mariner9NameTest : public ::testing::TestWithParam<std::string> {};

TEST_P(Mariner9NameTest, IsMariner9WhateverTheHeader) {
  for (const auto& [frame, firstLine] : {std::pair{MakeFrameBuffer(), std::string(23, ' ')},
                                         std::pair{Mariner10Frame(), std::string("MVM73        0166788   ")}}) {
    const HeaderState state = Decode(frame, GetParam());
    EXPECT_EQ(state.HeaderKind, 2);
    EXPECT_EQ(state.InfoBox2[0], firstLine);
  }
}

INSTANTIATE_TEST_SUITE_P(AnyCase, Mariner9NameTest,
                         ::testing::Values("MME0785.IMG", "mme0785.img", "Mme", "mMe_x", "mmE"));

TEST(DecodeHeader, Mariner9NameWithMariner10MarkFillsBothBoxes) {
  const HeaderState state = Decode(Mariner10Frame(), "mme0001.img");
  EXPECT_EQ(state.HeaderKind, 2);
  EXPECT_EQ(state.InfoBox[0], "Spacecraft = Mariner 10");
  EXPECT_EQ(state.InfoBox[6], "Camera = A");
  EXPECT_EQ(state.InfoBox2[0], "MVM73        0166788   ");
}

TEST(DecodeHeader, OtherNamesAreNotMariner9) {
  for (const char* name : {"", "m", "MM", "MMX.IMG", "XMME.IMG", " MME.IMG", "mariner9.img"}) {
    const HeaderState state = Decode(MakeFrameBuffer(), name);
    EXPECT_EQ(state.HeaderKind, 1) << name;
    EXPECT_TRUE(state.InfoBox2[0].empty()) << name;
  }
}

// "MARINER 9" at offsets 72..80 marks a Mariner 9 frame under any name; the
// space at offset 79 is any byte that decodes to a space.
class Mariner9MarkTest : public ::testing::TestWithParam<std::tuple<std::uint8_t, std::string>> {};

TEST_P(Mariner9MarkTest, IsMariner9) {
  const auto& [spaceByte, name] = GetParam();
  FrameBuffer frame = MakeFrameBuffer();
  PutEbcdic(frame, 72, "MARINER 9");
  frame[79] = spaceByte;
  const HeaderState state = Decode(frame, name);
  EXPECT_EQ(state.HeaderKind, 2);
  EXPECT_EQ(state.InfoBox2[0], "MARINER 9              ");
}

INSTANTIATE_TEST_SUITE_P(SpaceBytesAndNames, Mariner9MarkTest,
                         ::testing::Combine(::testing::Values(0x40, 0x20, 0x00, 0x81, 0xFF),
                                            ::testing::Values("", "a", "ab", "frame.img")));

TEST(DecodeHeader, NearMissesOfTheMariner9MarkAreMariner10) {
  struct NearMiss {
    std::size_t offset;
    std::uint8_t byte;
  };
  for (const NearMiss miss : {NearMiss{79, 0x4B}, NearMiss{80, 0xF8}, NearMiss{72, EbcdicCode('N')}, NearMiss{72, 0x00}}) {
    FrameBuffer frame = MakeFrameBuffer();
    PutEbcdic(frame, 72, "MARINER 9");
    frame[miss.offset] = miss.byte;
    EXPECT_EQ(Decode(frame, "frame.img").HeaderKind, 1) << miss.offset;
  }
}

TEST(DecodeHeader, WithoutBothMarkBytesAllLabelsAreUnknown) {
  for (const auto& [first, second] : {std::pair{0xF7, 0xF8}, std::pair{0xF8, 0xF7}, std::pair{0x00, 0x00}}) {
    FrameBuffer frame = Mariner10Frame();
    frame[0] = std::uint8_t(first);
    frame[1] = std::uint8_t(second);
    const HeaderState state = Decode(frame, "frame.img");
    EXPECT_EQ(state.HeaderKind, 1);
    EXPECT_EQ(state.InfoBox, UnknownTexts);
    EXPECT_TRUE(state.Fields.FilterDigit.empty());
    // The fields are still decoded: the cards need them.
    EXPECT_EQ(state.Fields.FdsCount, "0166788");
  }
}

TEST(DecodeHeader, CameraByte) {
  for (const auto& [code, text] : {std::pair<std::uint8_t, const char*>{0xC1, "Camera = A"},
                                   {0xC2, "Camera = B"},
                                   {0xC3, "Camera = Unknown"},
                                   {0x00, "Camera = Unknown"},
                                   {0x81, "Camera = Unknown"}}) {
    FrameBuffer frame = Mariner10Frame();
    frame[151] = code;
    EXPECT_EQ(Decode(frame, "f.img").InfoBox[6], text) << int(code);
  }
}

struct FilterCase {
  std::uint8_t code;
  const char* label;
  const char* digit;
};

class FilterByteTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterByteTest, GivesLabelAndDigit) {
  FrameBuffer frame = Mariner10Frame();
  frame[166] = GetParam().code;
  const HeaderState state = Decode(frame, "f.img");
  EXPECT_EQ(state.InfoBox[7], GetParam().label);
  EXPECT_EQ(state.Fields.FilterDigit, GetParam().digit);
}

INSTANTIATE_TEST_SUITE_P(
    AllFilters, FilterByteTest,
    ::testing::Values(FilterCase{0xF1, "Filter = Wide-angle image relay mirror", "1"},
                      FilterCase{0xF2, "Filter = Blue bandpass", "2"}, FilterCase{0xF3, "Filter = UV polarizing", "3"},
                      FilterCase{0xF4, "Filter = Minus UV high pass", "4"}, FilterCase{0xF5, "Filter = Clear", "5"},
                      FilterCase{0xF6, "Filter = UV bandpass", "6"}, FilterCase{0xF7, "Filter = Defocusing lens", "7"},
                      FilterCase{0xF8, "Filter = Yellow bandpass)", "8"}, FilterCase{0xF0, "Filter = Unknown", " "},
                      FilterCase{0xF9, "Filter = Unknown", " "}, FilterCase{0xC5, "Filter = Unknown", " "},
                      FilterCase{0x00, "Filter = Unknown", " "}));

TEST(DecodeHeader, GmtSeparatorsIgnoreTheirOffsets) {
  for (std::uint8_t separator : {0x00, 0x7A, 0xF5, 0x61, 0xFF}) {
    FrameBuffer frame = Mariner10Frame();
    frame[132] = separator;
    frame[135] = separator;
    const HeaderState state = Decode(frame, "f.img");
    EXPECT_EQ(state.Fields.Gmt, "12/34/56") << int(separator);
    EXPECT_EQ(state.InfoBox[5], "GMT = 12/34/56") << int(separator);
  }
}

TEST(DecodeHeader, Mariner10AfterMariner9KeepsTheMariner9Lines) {
  HeaderState state;
  DecodeHeader(Mariner9Frame(), "frame.img", state);
  const auto mariner9Lines = state.InfoBox2;
  DecodeHeader(Mariner10Frame(), "mvm0166788.img", state);
  EXPECT_EQ(state.HeaderKind, 1);
  EXPECT_EQ(state.InfoBox2, mariner9Lines);
  EXPECT_EQ(state.InfoBox[0], "Spacecraft = Mariner 10");
  EXPECT_EQ(state.LabelCards[5], "IMAGE_SOURCE_ID                 = 'NSSDC_DATA_SET_ID = PSPA-00108'");
}

TEST(DecodeHeader, UnknownAfterMariner10ClearsTheFilterDigit) {
  HeaderState state;
  DecodeHeader(Mariner10Frame(), "a.img", state);
  DecodeHeader(MakeFrameBuffer(), "b.img", state);
  EXPECT_EQ(state.InfoBox, UnknownTexts);
  EXPECT_TRUE(state.Fields.FilterDigit.empty());
}

TEST(DecodeHeader, ShortBufferReadsAsZeroBytes) {
  const std::vector<std::uint8_t> shortFrame = {0xF7, 0xF7};
  const HeaderState state = Decode(FrameBuffer(shortFrame), "f.img");
  EXPECT_EQ(state.InfoBox[0], "Spacecraft = Mariner 10");
  EXPECT_EQ(state.InfoBox[3], "Year =   ");
  EXPECT_EQ(state.HeaderText, std::string(432, ' '));
}

}  // namespace
}  // namespace vantorel
