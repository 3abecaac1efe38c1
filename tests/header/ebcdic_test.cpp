#include <gtest/gtest.h>

#include <cctype>
#include <string_view>

#include "header/header_decode.h"
#include "support/ebcdic_text.h"

namespace vantorel {
namespace {

struct CodeCase {
  std::uint8_t code;
  char expected;
};

class EbcdicCharTest : public ::testing::TestWithParam<CodeCase> {};

TEST_P(EbcdicCharTest, DecodesCode) { EXPECT_EQ(EbcdicChar(GetParam().code), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(KnownAndUnknownCodes, EbcdicCharTest,
                         ::testing::Values(CodeCase{0xC1, 'A'}, CodeCase{0xC9, 'I'}, CodeCase{0xD0, '}'},
                                           CodeCase{0xD1, 'J'}, CodeCase{0xE2, 'S'}, CodeCase{0xE9, 'Z'},
                                           CodeCase{0xF0, '0'}, CodeCase{0xF9, '9'}, CodeCase{0x7E, '='},
                                           // EBCDIC space, ASCII space, zero, lower-case a, and gaps
                                           CodeCase{0x40, ' '}, CodeCase{0x20, ' '}, CodeCase{0x00, ' '},
                                           CodeCase{0x81, ' '}, CodeCase{0xFF, ' '}, CodeCase{0xCA, ' '},
                                           CodeCase{0xE1, ' '}, CodeCase{0xFA, ' '}, CodeCase{0x41, ' '}));

TEST(EbcdicChar, EveryHeaderCharacterRoundTrips) {
  constexpr std::string_view characters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.+;-/:={}";
  for (char c : characters) EXPECT_EQ(EbcdicChar(testing::EbcdicCode(c)), c) << c;
}

TEST(EbcdicChar, MapsFortyFiveCodesToVisibleCharactersAndNoLowerCase) {
  int visible = 0;
  for (int code = 0; code <= 0xFF; ++code) {
    const char c = EbcdicChar(std::uint8_t(code));
    EXPECT_TRUE(std::isprint(static_cast<unsigned char>(c))) << code;
    EXPECT_FALSE(std::islower(static_cast<unsigned char>(c))) << code;
    if (c != ' ') ++visible;
  }
  // 46 codes are mapped; one of them (20) maps to the space.
  EXPECT_EQ(visible, 45);
}

}  // namespace
}  // namespace vantorel
