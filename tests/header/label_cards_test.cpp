#include <gtest/gtest.h>

#include <string>

#include "header/header_decode.h"
#include "header/header_frames.h"

namespace vantorel {
namespace {

using testing::Mariner10Frame;
using testing::Mariner9Frame;
using testing::PutEbcdic;

LabelCardSet CardsFor(const FrameBuffer& frame, std::string_view name) {
  HeaderState state;
  DecodeHeader(frame, name, state);
  return state.LabelCards;
}

const std::string& Card(const LabelCardSet& cards, int number) { return cards[std::size_t(number - 1)]; }

// Cards whose text is the same for every frame of a data set.
struct FixedCard {
  int number;
  const char* text;
};

const FixedCard CommonFixedCards[] = {
    {1, "SIMPLE  =                    T "},
    {2, "BITPIX  =                    8 "},
    {3, "NAXIS   =                    2 "},
    {4, "NAXIS1  =                  832 "},
    {5, "NAXIS2  =                  700 "},
    {7, "PRODUCER_ID                     = 'NULL'"},
    {8, "PRODUCER_FULL_NAME              = 'NULL'"},
    {12, "INSTRUMENT_NAME                 = 'IMAGING SCIENCE SUBSYSTEM'"},
    {13, "INSTRUMENT_ID                   = 'ISS'"},
    {21, "SPACECRAFT_ALTITUDE             = 'NULL'"},
    {22, "APPROX_WIDTH                    = 'NULL'"},
    {23, "APPROX_HEIGHT                   = 'NULL'"},
    {24, "VIEW_ZENITH_ANGLE               = 'NULL'"},
    {25, "SOLAR_ZENITH_ANGLE              = 'NULL'"},
    {26, "PHASE_ANGLE                     = 'NULL'"},
    {27, "END"},
};

const FixedCard Mariner10FixedCards[] = {
    {6, "IMAGE_SOURCE_ID                 = 'NSSDC_DATA_SET_ID = PSPA-00108'"},
    {9, "MISSION_NAME                    = 'MARINER VENUS MERCURY 73'"},
    {10, "INSTRUMENT_HOST_NAME            = 'MARINER 10'"},
    {11, "INSTRUMENT_HOST_ID              = 'MVM73'"},
    {18, "DAS_TIME                        = 'NULL'"},
};

const FixedCard Mariner9FixedCards[] = {
    {6, "IMAGE_SOURCE_ID                 = 'NSSDC_DATA_SET_ID = PSPG-00235'"},
    {9, "MISSION_NAME                    = 'MARINER71'"},
    {10, "INSTRUMENT_HOST_NAME            = 'MARINER 9'"},
    {11, "INSTRUMENT_HOST_ID              = 'MR9'"},
};

void ExpectFixedCards(const LabelCardSet& cards, std::span<const FixedCard> expected) {
  for (const FixedCard& card : expected) EXPECT_EQ(Card(cards, card.number), card.text) << "card " << card.number;
}

void ExpectLastNineEmpty(const LabelCardSet& cards) {
  for (int n = 28; n <= LabelCardCount; ++n) EXPECT_TRUE(Card(cards, n).empty()) << "card " << n;
}

TEST(BuildLabelCards, Mariner10FixedCards) {
  for (const FrameBuffer& frame : {Mariner10Frame(), MakeFrameBuffer()}) {
    const LabelCardSet cards = CardsFor(frame, "f.img");
    ExpectFixedCards(cards, CommonFixedCards);
    ExpectFixedCards(cards, Mariner10FixedCards);
    ExpectLastNineEmpty(cards);
  }
}

TEST(BuildLabelCards, Mariner9FixedCards) {
  for (const auto& [frame, name] : {std::pair{Mariner9Frame(), "frame.img"}, std::pair{MakeFrameBuffer(), "mme1.img"}}) {
    const LabelCardSet cards = CardsFor(frame, name);
    ExpectFixedCards(cards, CommonFixedCards);
    ExpectFixedCards(cards, Mariner9FixedCards);
    ExpectLastNineEmpty(cards);
  }
}

TEST(BuildLabelCards, FlightMariner10Cards) {
  const LabelCardSet cards = CardsFor(Mariner10Frame(), "mvm0166788.img");
  EXPECT_EQ(Card(cards, 14), "FILE_NAME                       = 'MVM0166788.IMG'");
  EXPECT_EQ(Card(cards, 15), "PICTURE_NUMBER                  = 'FDS=0166788'");
  EXPECT_EQ(Card(cards, 16), "CAMERA                          = 'CAMERA = A'");
  EXPECT_EQ(Card(cards, 17), "IMAGE_CREATION_DATE             = 'YEAR = 74 DAY = 029 GMT = 12/34/56'");
  EXPECT_EQ(Card(cards, 18), "DAS_TIME                        = 'NULL'");
  EXPECT_EQ(Card(cards, 19), "FILTER_NUMBER                   = '5 FILTER = CLEAR'");
  EXPECT_EQ(Card(cards, 20), "EXPOSURE_DURATION               = '360 MSEC'");
}

TEST(BuildLabelCards, UnmarkedMariner10CardsCarryUnknownTexts) {
  FrameBuffer frame = Mariner10Frame();
  frame[1] = 0xF8;
  const LabelCardSet cards = CardsFor(frame, "f.img");
  EXPECT_EQ(Card(cards, 15), "PICTURE_NUMBER                  = 'FDS=0166788'");
  EXPECT_EQ(Card(cards, 16), "CAMERA                          = 'CAMERA = UNKNOWN'");
  EXPECT_EQ(Card(cards, 17), "IMAGE_CREATION_DATE             = 'YEAR = UNKNOWN DAY = UNKNOWN GMT = UNKNOWN'");
  EXPECT_EQ(Card(cards, 19), "FILTER_NUMBER                   = ' FILTER = UNKNOWN'");
  EXPECT_EQ(Card(cards, 20), "EXPOSURE_DURATION               = '360 MSEC'");
  // The longest card there is.
  EXPECT_EQ(Card(cards, 17).size(), 78u);
}

TEST(BuildLabelCards, CameraBAndUnknownFilterOfAMarkedFrame) {
  FrameBuffer frame = Mariner10Frame();
  frame[151] = 0xC2;
  frame[166] = 0xF0;
  const LabelCardSet cards = CardsFor(frame, "f.img");
  EXPECT_EQ(Card(cards, 16), "CAMERA                          = 'CAMERA = B'");
  // An unknown filter of a marked frame gives its one-space digit.
  EXPECT_EQ(Card(cards, 19), "FILTER_NUMBER                   = '  FILTER = UNKNOWN'");
}

TEST(BuildLabelCards, ExposureLosesOnlyItsLeadingSpaces) {
  for (const auto& [exposure, value] : {std::pair{"    360", "360 MSEC"}, std::pair{"       ", " MSEC"},
                                        std::pair{" 1 2   ", "1 2    MSEC"}, std::pair{"0012.50", "0012.50 MSEC"}}) {
    FrameBuffer frame = Mariner10Frame();
    PutEbcdic(frame, 196, exposure);
    EXPECT_EQ(Card(CardsFor(frame, "f.img"), 20), std::string("EXPOSURE_DURATION               = '") + value + "'")
        << exposure;
  }
}

TEST(BuildLabelCards, FlightMariner9Cards) {
  const LabelCardSet cards = CardsFor(Mariner9Frame(), "mme0785.img");
  EXPECT_EQ(Card(cards, 14), "FILE_NAME                       = 'MME0785.IMG'");
  EXPECT_EQ(Card(cards, 15), "PICTURE_NUMBER                  = 'PICNO 0123-4567 ORB 120'");
  EXPECT_EQ(Card(cards, 16), "CAMERA                          = 'A'");
  EXPECT_EQ(Card(cards, 17), "IMAGE_CREATION_DATE             = 'DATE 71-320 GMT 12:34:56'");
  EXPECT_EQ(Card(cards, 18), "DAS_TIME                        = 'DAS 01234567 RANGE 999'");
  EXPECT_EQ(Card(cards, 19), "FILTER_NUMBER                   = '  FILTER 4 POS 2 GREEN'");
  EXPECT_EQ(Card(cards, 20), "EXPOSURE_DURATION               = 'EXPOSURE 0.0060 SEC     '");
}

TEST(BuildLabelCards, MmeNamedFrameCopiesWhateverTheHeaderDecodesTo) {
  FrameBuffer frame = MakeFrameBuffer();
  PutEbcdic(frame, 86, "X");
  PutEbcdic(frame, 144, "1234");
  const LabelCardSet cards = CardsFor(frame, "MME0001.IMG");
  EXPECT_EQ(Card(cards, 15), "PICTURE_NUMBER                  = '1234" + std::string(19, ' ') + "'");
  EXPECT_EQ(Card(cards, 16), "CAMERA                          = 'X'");
  EXPECT_EQ(Card(cards, 17), "IMAGE_CREATION_DATE             = '" + std::string(24, ' ') + "'");
  EXPECT_EQ(Card(cards, 18), "DAS_TIME                        = '" + std::string(22, ' ') + "'");
}

struct FileNameCase {
  const char* name;
  const char* value;
};

class FileNameCardTest : public ::testing::TestWithParam<FileNameCase> {};

TEST_P(FileNameCardTest, IsUpperCaseAsciiOfAtMostTwentyCharacters) {
  const LabelCardSet cards = CardsFor(Mariner10Frame(), GetParam().name);
  EXPECT_EQ(Card(cards, 14), std::string("FILE_NAME                       = '") + GetParam().value + "'");
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileNameCardTest,
    ::testing::Values(FileNameCase{"short.img", "SHORT.IMG"}, FileNameCase{"MiXeD_1.Img", "MIXED_1.IMG"},
                      FileNameCase{"abcdefghijklmnopqrstuvwxyz.img", "ABCDEFGHIJKLMNOPQRST"},
                      FileNameCase{"exactly_twenty_chars", "EXACTLY_TWENTY_CHARS"}, FileNameCase{"", ""},
                      FileNameCase{"\xC3\xA4rger_\xC3\xBC" "ber.img", "?RGER_?BER.IMG"},
                      FileNameCase{"\xE7\x81\xAB\xE6\x98\x9F_mercury_0001_long.img", "??_MERCURY_0001_LONG"},
                      FileNameCase{"\xFFname", "?NAME"}));

}  // namespace
}  // namespace vantorel
