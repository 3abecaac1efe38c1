#include <gtest/gtest.h>

#include <string>

#include "header/ascii_text.h"

namespace vantorel {
namespace {

TEST(UpperAscii, ChangesOnlyAsciiLetters) {
  EXPECT_EQ(UpperAscii("abz ABZ 09_-.'"), "ABZ ABZ 09_-.'");
  EXPECT_EQ(UpperAscii("\xC3\xA4x"), "\xC3\xA4X");  // UTF-8 bytes of a-umlaut untouched
}

struct PrefixCase {
  const char* name;
  std::string input;
  std::size_t maxCharacters;
  std::string expected;
};

class PrintableAsciiPrefixTest : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(PrintableAsciiPrefixTest, ReplacesEachNonAsciiCharacterOnce) {
  EXPECT_EQ(PrintableAsciiPrefix(GetParam().input, GetParam().maxCharacters), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, PrintableAsciiPrefixTest,
    ::testing::Values(
        PrefixCase{"Ascii", "mvm0166788.img", 20, "mvm0166788.img"},
        PrefixCase{"AsciiCut", "abcdefghijklmnopqrstuvwxyz", 20, "abcdefghijklmnopqrst"},
        PrefixCase{"TwoByte", "\xC3\x84rger.img", 20, "?rger.img"},
        PrefixCase{"ThreeByte", "\xE6\x97\xA5\xE6\x9C\xAC.img", 20, "??.img"},
        PrefixCase{"FourByte", "\xF0\x9F\x98\x80" "a", 20, "?a"},
        // The cut counts characters, not bytes: 25 two-byte characters give 20 marks.
        PrefixCase{"CutInCharacters",
                   [] {
                     std::string s;
                     for (int i = 0; i < 25; ++i) s += "\xC3\xA9";
                     return s;
                   }(),
                   20, std::string(20, '?')},
        PrefixCase{"CutAfterMultiByte", "\xC3\xA9" "bcdefghijklmnopqrstuvwxyz", 20, "?bcdefghijklmnopqrst"},
        PrefixCase{"StrayContinuation", "\x80\xBF" "ab", 20, "??ab"},
        PrefixCase{"InvalidLeads", "\xFF\xFE\xC0\xC1" "a", 20, "????a"},
        PrefixCase{"Truncated", "\xE6\x97", 20, "??"},
        PrefixCase{"TruncatedBeforeAscii", "\xE6\x97" "x", 20, "??x"},
        PrefixCase{"Overlong", "\xE0\x80\xAF", 20, "???"},
        PrefixCase{"Surrogate", "\xED\xA0\x80", 20, "???"},
        PrefixCase{"AboveUnicode", "\xF4\x90\x80\x80", 20, "????"},
        PrefixCase{"ControlCodes", std::string("\x01\tA\x7F", 4), 20, "??A?"},
        PrefixCase{"ZeroByte", std::string("a\0b", 3), 20, "a?b"},
        PrefixCase{"Empty", "", 20, ""}),
    [](const ::testing::TestParamInfo<PrefixCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantorel
