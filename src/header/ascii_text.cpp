#include "header/ascii_text.h"

#include <algorithm>
#include <cstdint>

namespace vantorel {

namespace {

constexpr char FirstPrintableAscii = ' ';
constexpr char LastPrintableAscii = '~';
constexpr char Replacement = '?';

constexpr std::uint8_t ContinuationLow = 0x80;
constexpr std::uint8_t ContinuationHigh = 0xBF;

bool IsPrintableAscii(std::uint8_t byte) {
  return byte >= std::uint8_t(FirstPrintableAscii) && byte <= std::uint8_t(LastPrintableAscii);
}

bool InRange(std::uint8_t byte, std::uint8_t low, std::uint8_t high) { return byte >= low && byte <= high; }

// The allowed range of the second byte after a lead byte, which rules out
// overlong forms, surrogates and code points above U+10FFFF.
struct LeadRule {
  int length;
  std::uint8_t secondLow;
  std::uint8_t secondHigh;
};

LeadRule RuleFor(std::uint8_t lead) {
  if (InRange(lead, 0xC2, 0xDF)) return {2, ContinuationLow, ContinuationHigh};
  if (lead == 0xE0) return {3, 0xA0, ContinuationHigh};
  if (lead == 0xED) return {3, ContinuationLow, 0x9F};
  if (InRange(lead, 0xE1, 0xEF)) return {3, ContinuationLow, ContinuationHigh};
  if (lead == 0xF0) return {4, 0x90, ContinuationHigh};
  if (lead == 0xF4) return {4, ContinuationLow, 0x8F};
  if (InRange(lead, 0xF1, 0xF3)) return {4, ContinuationLow, ContinuationHigh};
  return {0, 0, 0};
}

// Bytes taken by a well-formed multi-byte sequence at `at`, or 0 when the byte
// there does not begin one.
std::size_t WellFormedSequenceLength(std::string_view text, std::size_t at) {
  const LeadRule rule = RuleFor(std::uint8_t(text[at]));
  const auto length = std::size_t(rule.length);
  if (length == 0 || at + length > text.size()) return 0;
  if (!InRange(std::uint8_t(text[at + 1]), rule.secondLow, rule.secondHigh)) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (!InRange(std::uint8_t(text[at + i]), ContinuationLow, ContinuationHigh)) return 0;
  return length;
}

// U+0080 to U+009F: two bytes, C2 then 80 to 9F.
bool IsC1Control(std::string_view sequence) {
  return sequence.size() == 2 && std::uint8_t(sequence[0]) == 0xC2 && std::uint8_t(sequence[1]) <= 0x9F;
}

void AppendHexEscape(std::string& text, std::uint8_t byte) {
  constexpr std::string_view Hex = "0123456789ABCDEF";
  text += "\\x";
  text += Hex[byte >> 4];
  text += Hex[byte & 0xF];
}

}  // namespace

std::string EscapedForTerminal(std::string_view bytes) {
  std::string shown;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const auto byte = std::uint8_t(bytes[at]);
    if (IsPrintableAscii(byte)) {
      shown += char(byte);
      ++at;
      continue;
    }
    const std::size_t length = WellFormedSequenceLength(bytes, at);
    const std::string_view sequence = bytes.substr(at, std::max<std::size_t>(length, 1));
    if (length == 0 || IsC1Control(sequence)) {
      for (const char c : sequence) AppendHexEscape(shown, std::uint8_t(c));
    } else {
      shown += sequence;
    }
    at += sequence.size();
  }
  return shown;
}

std::string PrintableAsciiPrefix(std::string_view utf8, std::size_t maxCharacters) {
  std::string result;
  std::size_t at = 0;
  while (at < utf8.size() && result.size() < maxCharacters) {
    const auto byte = std::uint8_t(utf8[at]);
    if (IsPrintableAscii(byte)) {
      result += char(byte);
      ++at;
      continue;
    }
    result += Replacement;
    const std::size_t sequence = WellFormedSequenceLength(utf8, at);
    at += sequence == 0 ? 1 : sequence;
  }
  return result;
}

}  // namespace vantorel
